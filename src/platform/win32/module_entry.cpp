// The library's entry point on Windows.

#include <windows.h>

#include "host/module_entry.h"
#include "host/module_lifecycle.h"

namespace vu {

void EnterModule() noexcept {}  // DllMain has started the module already

}  // namespace vu

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        vu::OnModuleAttach();
        break;
    case DLL_PROCESS_DETACH:
        // A non-null reserved pointer means the process is ending.
        vu::OnModuleDetach(reserved != nullptr);
        break;
    default:
        break;
    }
    return TRUE;
}
