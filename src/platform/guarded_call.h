#pragma once
// Calls into code the system does not control (a host's callback) so that whatever it raises
// stays there: a C++ exception, and on Windows a structured exception as well.

#include <functional>

namespace vu::platform {

// Runs body; true when it returned normally, false when it raised.
bool CallGuarded(const std::function<void()>& body) noexcept;

}  // namespace vu::platform
