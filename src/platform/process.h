#pragma once
// Starting programs, waiting for them, and the running program's own identity.

#include <cstdint>
#include <optional>
#include <string>

namespace vu::platform {

class Process {
public:
    using Handle = std::intptr_t;

    // Starts a program from a Windows-style command line (the program path first, in double
    // quotes when it holds spaces) in the working folder. No handles are inherited; hidden
    // without a console window unless showWindow is set. None when the start fails.
    static std::optional<Process> Start(const std::string& commandLine,
                                        const std::string& workingFolder, bool showWindow);

    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();

    // Blocks until the program ends and returns its exit code.
    std::uint32_t WaitForExit();

private:
    explicit Process(Handle handle) : handle_(handle) {}
    Handle handle_;
};

// Full path of the running program's executable file.
std::string HostExecutablePath();

}  // namespace vu::platform
