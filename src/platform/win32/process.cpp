#include "platform/process.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "platform/system_error.h"

namespace vu::platform {
namespace {

HANDLE AsHandle(Process::Handle handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

std::optional<Process> Process::Start(const std::string& commandLine,
                                      const std::string& workingFolder, bool showWindow) {
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const DWORD flags = showWindow ? 0 : CREATE_NO_WINDOW;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr,
                        workingFolder.empty() ? nullptr : workingFolder.c_str(), &startup, &info))
        return std::nullopt;
    CloseHandle(info.hThread);
    return Process(reinterpret_cast<Handle>(info.hProcess));
}

Process::Process(Process&& other) noexcept : handle_(std::exchange(other.handle_, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        if (handle_ != 0) CloseHandle(AsHandle(handle_));
        handle_ = std::exchange(other.handle_, 0);
    }
    return *this;
}

Process::~Process() {
    if (handle_ != 0) CloseHandle(AsHandle(handle_));
}

std::uint32_t Process::WaitForExit() {
    if (WaitForSingleObject(AsHandle(handle_), INFINITE) == WAIT_FAILED)
        ThrowLastError("Cannot wait for a process");
    DWORD code = 0;
    if (!GetExitCodeProcess(AsHandle(handle_), &code)) ThrowLastError("Cannot read an exit code");
    return code;
}

std::string HostExecutablePath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace vu::platform
