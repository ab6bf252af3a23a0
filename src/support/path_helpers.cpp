#include "support/path_helpers.h"

#include <algorithm>

namespace vu {
namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

std::string AddTrailingBackslash(const std::string& path) {
    if (path.empty() || path.back() == ':' || path.back() == '\\') return path;
    if (path.size() == 1 && IsAsciiLetter(path.front())) return path + ":\\";
    return path + '\\';
}

std::string BackslashToSlash(const std::string& text) {
    std::string result = text;
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

std::string SlashToBackslash(const std::string& text) {
    std::string result = text;
    std::replace(result.begin(), result.end(), '/', '\\');
    return result;
}

std::string FolderOfPath(const std::string& path) {
    const auto cut = path.find_last_of("\\:");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

}  // namespace vu
