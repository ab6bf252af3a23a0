// The functions the library exports. None lets an exception reach the host, and none acts on a
// null record or text, or when the dispatcher window could not be created at load.

#include <cstring>
#include <string>

#include "RaVuviraZut.h"
#include "host/dll_main_form.h"
#include "host/legacy_request.h"
#include "host/module_entry.h"
#include "host/options.h"
#include "job/version_catalogue.h"
#include "support/diagnostic_log.h"

using vu::DispatcherWindow;

namespace {

// Runs an export's body; whatever it raises ends there.
template <typename Body>
void Guarded(Body&& body) noexcept {
    try {
        body();
    } catch (...) {
    }
}

void StartJob(const UpdateRequest& request) {
    if (vu::TDllMainForm* const window = DispatcherWindow.load()) window->StartJob(request);
}

}  // namespace

extern "C" {

int32_t VU_CALL VuCheckVersion(VersionQuery* query) {
    vu::EnterModule();
    int32_t result = VU_CHECK_NO_LIST;
    Guarded([&] {
        if (query) result = vu::CheckVersion(*query);
    });
    return result;
}

int32_t VU_CALL VuGetVersion(int32_t, const UpdateRequest* request) {
    vu::EnterModule();
    Guarded([&] {
        vu::TDllMainForm* const window = DispatcherWindow.load();
        if (request && window) window->FetchVersionList(*request);
    });
    return 0;
}

int32_t VU_CALL VuGetOption(const char* name, char* buffer, int32_t) {
    vu::EnterModule();
    Guarded([&] {
        if (!name || !buffer) return;
        if (const auto value = vu::GetOption(name)) {
            std::memcpy(buffer, value->c_str(), value->size() + 1);
        }
    });
    return 0;
}

int32_t VU_CALL VuSetOption(const char* name, const char* value) {
    vu::EnterModule();
    Guarded([&] {
        if (name && value) vu::SetOption(name, value);
    });
    return 0;
}

void VU_CALL VuStopUpdate(void) {
    vu::EnterModule();
    Guarded([] {
        if (vu::TDllMainForm* const window = DispatcherWindow.load()) window->StopJob(false);
    });
}

int32_t VU_CALL VuAutoUpdate2(int32_t, const UpdateRequest* request) {
    vu::EnterModule();
    Guarded([&] {
        vu::WriteDiagnosticLog("[VuAutoUpdate2]Enter", false);
        if (request) StartJob(*request);
    });
    return 0;
}

int32_t VU_CALL VuAutoUpdate(int32_t, const LegacyUpdateRequest* request) {
    vu::EnterModule();
    Guarded([&] {
        vu::WriteDiagnosticLog("[VuAutoUpdate]Enter", false);
        if (request) StartJob(vu::ConvertLegacyRequest(*request));
    });
    return 0;
}

#if !defined(_WIN32)
int32_t VuDispatchNotifications(void) {
    vu::EnterModule();
    int32_t count = 0;
    Guarded([&] {
        if (vu::TDllMainForm* const window = DispatcherWindow.load()) {
            count = window->DispatchPending();
        }
    });
    return count;
}
#endif

}  // extern "C"
