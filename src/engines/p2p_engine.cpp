#include "engines/p2p_engine.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <string_view>

#include "RaVuviraZut.h"
#include "platform/dynamic_library.h"

namespace vu {
namespace {

constexpr char kEngineLibrary[] = "NyCoreNew.dll";

// Looked up in this order; the engine counts as available only when every one is found.
constexpr std::array<std::string_view, 16> kProcedureNames = {
    "StartDownload",       "RestartDownload",     "StopDownload",
    "PauseDownload",       "ResumeDownload",      "GetAverageDownloadSpeed",
    "GetMeasuredDownloadSpeed",                   "GetTimeRemaining",
    "GetDownloadInfo",     "DownloadIsCompleted", "SetMaxTransferSpeed",
    "InitDownloadEnv",     "FreeDownloadEnv",     "SetHttpExtension",
    "GetJobControl",       "SetJobControl",
};

constexpr std::size_t ProcedureIndex(std::string_view name) {
    return static_cast<std::size_t>(
        std::find(kProcedureNames.begin(), kProcedureNames.end(), name) - kProcedureNames.begin());
}
constexpr std::size_t kInitDownloadEnv = ProcedureIndex("InitDownloadEnv");
constexpr std::size_t kFreeDownloadEnv = ProcedureIndex("FreeDownloadEnv");
static_assert(kInitDownloadEnv < kProcedureNames.size());
static_assert(kFreeDownloadEnv < kProcedureNames.size());

using InitDownloadEnvProc = std::int32_t(VU_CALL*)(std::int32_t);
using FreeDownloadEnvProc = std::int32_t(VU_CALL*)();

struct Binding {
    std::optional<platform::DynamicLibrary> library;
    std::array<void*, kProcedureNames.size()> procedures{};
    bool available = false;
    std::optional<std::int32_t> initResult;
};

std::mutex bindingLock;
Binding binding;

}  // namespace

void LoadP2PEngine() {
    const std::lock_guard lock(bindingLock);
    if (binding.library) return;
    binding = Binding{};
    binding.library = platform::DynamicLibrary::Load(kEngineLibrary);
    if (!binding.library) return;
    bool allFound = true;
    for (std::size_t i = 0; i < kProcedureNames.size(); ++i) {
        binding.procedures[i] = binding.library->Symbol(std::string(kProcedureNames[i]));
        allFound = allFound && binding.procedures[i] != nullptr;
    }
    binding.available = allFound;
    if (binding.available) {
        const auto initDownloadEnv =
            reinterpret_cast<InitDownloadEnvProc>(binding.procedures[kInitDownloadEnv]);
        binding.initResult = initDownloadEnv(0);
    }
}

void UnloadP2PEngine() {
    const std::lock_guard lock(bindingLock);
    if (binding.available) {
        const auto freeDownloadEnv =
            reinterpret_cast<FreeDownloadEnvProc>(binding.procedures[kFreeDownloadEnv]);
        freeDownloadEnv();
    }
    binding = Binding{};  // frees the library
}

P2PEngineState P2PEngineStatus() {
    const std::lock_guard lock(bindingLock);
    return P2PEngineState{binding.library.has_value(), binding.available, binding.initResult};
}

}  // namespace vu
