#include "platform/process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

#include "platform/path_mapping.h"
#include "platform/system_error.h"

extern char** environ;

namespace vu::platform {
namespace {

// Splits a Windows-style command line into arguments: blanks separate them except inside
// double quotes, and the quotes themselves are dropped.
std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> arguments;
    std::string current;
    bool quoted = false;
    bool inArgument = false;
    for (const char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inArgument) arguments.push_back(std::exchange(current, {}));
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) arguments.push_back(current);
    return arguments;
}

struct SpawnActions {
    posix_spawn_file_actions_t actions;
    SpawnActions() { posix_spawn_file_actions_init(&actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
};

}  // namespace

std::optional<Process> Process::Start(const std::string& commandLine,
                                      const std::string& workingFolder, bool /*showWindow*/) {
    std::vector<std::string> arguments = SplitCommandLine(commandLine);
    if (arguments.empty()) return std::nullopt;
    arguments.front() = NativePath(arguments.front());
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    SpawnActions spawn;
    const std::string folder = NativePath(workingFolder);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&spawn.actions, folder.c_str());
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv.front(), &spawn.actions, nullptr, argv.data(), environ);
    if (error != 0) {
        errno = error;
        return std::nullopt;
    }
    // posix_spawn reports a failed exec only through the child's exit status 127.
    return Process(pid);
}

Process::Process(Process&& other) noexcept : handle_(std::exchange(other.handle_, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) handle_ = std::exchange(other.handle_, 0);
    return *this;
}

// A child that was never waited for is reaped here so it does not linger as a zombie.
Process::~Process() {
    if (handle_ != 0) ::waitpid(static_cast<pid_t>(handle_), nullptr, WNOHANG);
}

std::uint32_t Process::WaitForExit() {
    int status = 0;
    for (;;) {
        if (::waitpid(static_cast<pid_t>(handle_), &status, 0) >= 0) break;
        if (errno != EINTR) ThrowLastError("Cannot wait for a process");
    }
    handle_ = 0;
    if (WIFEXITED(status)) return static_cast<std::uint32_t>(WEXITSTATUS(status));
    return 0x80000000u | static_cast<std::uint32_t>(WTERMSIG(status));
}

std::string HostExecutablePath() {
    std::vector<char> buffer(4096);
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0) return {};
    return CorePath(std::string(buffer.data(), static_cast<std::size_t>(length)));
}

}  // namespace vu::platform
