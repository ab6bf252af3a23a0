#pragma once
// The library's start and end inside the host's process.

namespace vu {

// At load (on Linux: at the first call), on the loading thread: working paths, the outside P2P engine, then the dispatcher
// window. A failure to create the window is logged; the exports then do nothing.
void OnModuleAttach() noexcept;

// At unload. When the process is ending, its other threads are already gone and nothing is
// torn down; otherwise the window is freed (stopping the current job silently), then the P2P
// engine and the working paths.
void OnModuleDetach(bool processEnding) noexcept;

}  // namespace vu
