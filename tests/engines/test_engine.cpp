// A stand-in for the outside P2P engine, loaded by the binding tests. It exports the engine's
// procedures except GetJobControl (job_control.cpp adds that one for the complete engine).
// InitDownloadEnv and FreeDownloadEnv append a line naming the call to the file given by
// VU_TEST_ENGINE_LOG; InitDownloadEnv returns the number in VU_TEST_ENGINE_INIT_RESULT (or 0).
#include <cstdint>
#include <cstdlib>
#include <fstream>

#include "RaVuviraZut.h"

namespace {

// Nothing here may leave a unique symbol in the library (std::to_string does): the dynamic
// loader would then never unload it, and the tests load different engines under one name.
std::ofstream CallRecord() {
    const char* const logPath = std::getenv("VU_TEST_ENGINE_LOG");
    return logPath != nullptr ? std::ofstream(logPath, std::ios::binary | std::ios::app)
                              : std::ofstream();
}

}  // namespace

extern "C" {

std::int32_t VU_CALL InitDownloadEnv(std::int32_t parameter) {
    CallRecord() << "InitDownloadEnv " << parameter << '\n';
    const char* const result = std::getenv("VU_TEST_ENGINE_INIT_RESULT");
    return result != nullptr ? std::atoi(result) : 0;
}

std::int32_t VU_CALL FreeDownloadEnv() {
    CallRecord() << "FreeDownloadEnv\n";
    return 0;
}

// Looked up by the binding, never called.
std::int32_t VU_CALL StartDownload() { return 0; }
std::int32_t VU_CALL RestartDownload() { return 0; }
std::int32_t VU_CALL StopDownload() { return 0; }
std::int32_t VU_CALL PauseDownload() { return 0; }
std::int32_t VU_CALL ResumeDownload() { return 0; }
std::int32_t VU_CALL GetAverageDownloadSpeed() { return 0; }
std::int32_t VU_CALL GetMeasuredDownloadSpeed() { return 0; }
std::int32_t VU_CALL GetTimeRemaining() { return 0; }
std::int32_t VU_CALL GetDownloadInfo() { return 0; }
std::int32_t VU_CALL DownloadIsCompleted() { return 0; }
std::int32_t VU_CALL SetMaxTransferSpeed() { return 0; }
std::int32_t VU_CALL SetHttpExtension() { return 0; }
std::int32_t VU_CALL SetJobControl() { return 0; }

}  // extern "C"
