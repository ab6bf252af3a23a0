#pragma once
// The runtime options the host reads and sets by name: "LimitSpeed", "DownloadPath" and, for
// reading only, "CurrentSpeed". Names are compared without regard to case.

#include <optional>
#include <string>

namespace vu {

// Sets an option from its text; unknown names, and "CurrentSpeed", are ignored.
void SetOption(const std::string& name, const std::string& value);

// The option's text; none for an unknown name.
std::optional<std::string> GetOption(const std::string& name);

}  // namespace vu
