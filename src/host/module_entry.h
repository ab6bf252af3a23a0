#pragma once
// Called first by every export: makes sure the module has started (on Linux it starts at its
// first call; on Windows the loader has started it already).

namespace vu {

void EnterModule() noexcept;

}  // namespace vu
