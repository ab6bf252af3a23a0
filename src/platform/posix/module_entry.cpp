// The library's entry on Linux. A shared object's load-time constructors run in an order that
// does not follow the core's own static objects, so the module starts at its first exported
// call instead, on the calling thread (normally the one that loaded it). The object is never
// unmapped, and the process's end tears nothing down.

#include <mutex>

#include "host/module_entry.h"
#include "host/module_lifecycle.h"

namespace vu {

void EnterModule() noexcept {
    static std::once_flag started;
    std::call_once(started, [] { OnModuleAttach(); });
}

}  // namespace vu
