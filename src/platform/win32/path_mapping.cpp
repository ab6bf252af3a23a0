#include "platform/path_mapping.h"

#include <windows.h>

#include <string>

namespace vu::platform {
namespace {

std::wstring Widen(const std::string& ansi) {
    if (ansi.empty()) return {};
    const int size = static_cast<int>(ansi.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, wide.data(), static_cast<int>(wide.size()));
    return wide;
}

}  // namespace

std::string NativePath(const std::string& corePath) { return corePath; }
std::string CorePath(const std::string& nativePath) { return nativePath; }

std::string PathIdentity(const std::string& corePath) {
    std::wstring wide = Widen(corePath);
    const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length != 0) {
        std::wstring full(length, L'\0');
        const DWORD written = GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
        if (written != 0 && written < length) {
            full.resize(written);
            wide = std::move(full);
        }
    }
    if (!wide.empty()) CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    // Wide characters as UTF-8: only used as a key, so any lossless form serves.
    const int size = static_cast<int>(wide.size());
    const int keyLength = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string key(static_cast<std::size_t>(keyLength), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, key.data(), static_cast<int>(key.size()), nullptr, nullptr);
    return key;
}

}  // namespace vu::platform
