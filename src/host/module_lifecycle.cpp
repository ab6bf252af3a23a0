#include "host/module_lifecycle.h"

#include <exception>
#include <memory>
#include <string>

#include "engines/p2p_engine.h"
#include "host/dll_main_form.h"
#include "host/work_paths.h"
#include "job/version_catalogue.h"
#include "support/diagnostic_log.h"

namespace vu {

namespace {

void LogFailure(const char* prefix, const std::exception& error) noexcept {
    try {
        WriteDiagnosticLog(std::string(prefix) + error.what(), true);
    } catch (...) {
    }
}

}  // namespace

void OnModuleAttach() noexcept {
    try {
        InitializeWorkPaths();
        ResetVersionCatalogue();
        LoadP2PEngine();
    } catch (const std::exception& error) {
        LogFailure("[InitDllMain]", error);
    } catch (...) {
    }
    try {
        WriteDiagnosticLog("[DLL]InitDllMain", false);
        DispatcherWindow.store(std::make_unique<TDllMainForm>().release());
    } catch (const std::exception& error) {
        LogFailure("[InitDllMain]", error);
    } catch (...) {
    }
}

void OnModuleDetach(bool processEnding) noexcept {
    if (processEnding) return;
    try {
        WriteDiagnosticLog("[DLL]FinalDllMain", false);
        const std::unique_ptr<TDllMainForm> window(DispatcherWindow.exchange(nullptr));
    } catch (const std::exception& error) {
        LogFailure("[FinalDllMain]", error);
    } catch (...) {
    }
    try {
        UnloadP2PEngine();
        ResetVersionCatalogue();
        FinalizeWorkPaths();
    } catch (...) {
    }
}

}  // namespace vu
