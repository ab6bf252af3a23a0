#pragma once
// The file this code was loaded from: the library when the core is linked into it, the program
// when it is linked into a program.

#include <string>

namespace vu::platform {

// Full path, in the core's form, of the module that contains this function; empty when the
// system cannot report it (or reports a path that does not fit in 260 bytes).
std::string ModuleFilePath();

}  // namespace vu::platform
