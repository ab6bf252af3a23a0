#pragma once
// The binding of the outside P2P engine "NyCoreNew.dll": loaded with the module, its download
// environment set up at load and released at unload. Its other procedures are looked up only.

#include <cstdint>
#include <optional>

namespace vu {

struct P2PEngineState {
    bool loaded = false;     // the library was found and is held
    bool available = false;  // every one of its sixteen procedures was found
    std::optional<std::int32_t> initResult;  // what InitDownloadEnv(0) returned, if it was called
};

// Loads the engine by its bare file name through the system's search order, looks up its
// procedures and, when all are there, calls InitDownloadEnv(0). A missing library or procedure
// only leaves the engine unavailable; a library missing procedures is held all the same.
void LoadP2PEngine();

// Calls FreeDownloadEnv() when the engine is available, then frees the library.
void UnloadP2PEngine();

P2PEngineState P2PEngineStatus();

}  // namespace vu
