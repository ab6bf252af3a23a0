#pragma once
// Running a program to its end.

#include <cstdint>
#include <string>

namespace vu {

// The command line RunAndWait starts: the program path in double quotes, a space and the
// arguments, with leading and trailing blanks and control characters trimmed (so with no
// arguments it is the quoted path alone).
std::string RunCommandLine(const std::string& program, const std::string& arguments);

// Starts the program in its own folder, blocks the calling thread until it ends and returns its
// exit code; -1 when it cannot be started or waited for. Without showWindow it runs with no
// console window. Never raises.
std::int32_t RunAndWait(const std::string& program, const std::string& arguments, bool showWindow);

}  // namespace vu
