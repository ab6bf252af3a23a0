#pragma once
// The one family of 32-bit status codes, under the core's names: notification kinds, failure and
// result codes, and the step codes that label error log lines. The values are those of the
// public header; the high byte names the family. The messages that reach the host as job
// results are Chinese, stored here once as code page 936 bytes.

#include <cstdint>

#include "RaVuviraZut.h"

namespace vu {

using StatusCode = std::int32_t;

namespace status {

// Notification kinds.
inline constexpr StatusCode kJobStarted = VU_EVENT_JOB_STARTED;
inline constexpr StatusCode kAnalysisBegin = VU_EVENT_ANALYSIS_BEGIN;
inline constexpr StatusCode kAnalysisEnd = VU_EVENT_ANALYSIS_END;
inline constexpr StatusCode kAnalysisLine = VU_EVENT_ANALYSIS_LINE;
inline constexpr StatusCode kAnalysisLineAgain = VU_EVENT_ANALYSIS_LINE_AGAIN;
inline constexpr StatusCode kAnalysisDecided = VU_EVENT_ANALYSIS_DECIDED;
inline constexpr StatusCode kDownloadBegin = VU_EVENT_DOWNLOAD_BEGIN;
inline constexpr StatusCode kDownloadEnd = VU_EVENT_DOWNLOAD_END;
inline constexpr StatusCode kDownloadFile = VU_EVENT_DOWNLOAD_FILE;
inline constexpr StatusCode kDownloadProgress = VU_EVENT_DOWNLOAD_PROGRESS;
inline constexpr StatusCode kDownloadFileDone = VU_EVENT_DOWNLOAD_FILE_DONE;
inline constexpr StatusCode kRunBegin = VU_EVENT_RUN_BEGIN;
inline constexpr StatusCode kRunEnd = VU_EVENT_RUN_END;
inline constexpr StatusCode kRunProgram = VU_EVENT_RUN_PROGRAM;
inline constexpr StatusCode kRunProgramDone = VU_EVENT_RUN_PROGRAM_DONE;
inline constexpr StatusCode kUnpack = VU_EVENT_UNPACK;
inline constexpr StatusCode kVersionInRange = VU_EVENT_VERSION_IN_RANGE;
inline constexpr StatusCode kPatchItem = VU_EVENT_PATCH_ITEM;
inline constexpr StatusCode kPatchBegin = VU_EVENT_PATCH_BEGIN;
inline constexpr StatusCode kPatchEnd = VU_EVENT_PATCH_END;
inline constexpr StatusCode kPlaceBegin = VU_EVENT_PLACE_BEGIN;
inline constexpr StatusCode kPlaceFile = VU_EVENT_PLACE_FILE;
inline constexpr StatusCode kPlaceFileDone = VU_EVENT_PLACE_FILE_DONE;
inline constexpr StatusCode kPlaceEnd = VU_EVENT_PLACE_END;
inline constexpr StatusCode kJobEnded = VU_EVENT_JOB_ENDED;
inline constexpr StatusCode kVersionListEnded = VU_EVENT_VERSION_LIST_ENDED;

// Results, failures and step codes.
inline constexpr StatusCode kNothingToUpdate = VU_RESULT_NOTHING_TO_UPDATE;
inline constexpr StatusCode kUpdated = VU_RESULT_UPDATED;
inline constexpr StatusCode kFailed = VU_RESULT_FAILED;
inline constexpr StatusCode kListFailed = VU_RESULT_LIST_FAILED;
inline constexpr StatusCode kFileFailed = VU_RESULT_FILE_FAILED;
inline constexpr StatusCode kUnpackFailed = VU_RESULT_UNPACK_FAILED;
inline constexpr StatusCode kInterrupted10 = VU_RESULT_INTERRUPTED_10;
inline constexpr StatusCode kInterrupted11 = VU_RESULT_INTERRUPTED_11;
inline constexpr StatusCode kInterrupted12 = VU_RESULT_INTERRUPTED_12;
inline constexpr StatusCode kInterrupted14 = VU_RESULT_INTERRUPTED_14;
inline constexpr StatusCode kInterrupted1F = VU_RESULT_INTERRUPTED_1F;
inline constexpr StatusCode kVersionNotRight = VU_RESULT_VERSION_NOT_RIGHT;
inline constexpr StatusCode kVersionListFailed = VU_RESULT_VERSION_LIST_FAILED;
inline constexpr StatusCode kVersionListNotSaved = VU_RESULT_VERSION_LIST_NOT_SAVED;
inline constexpr StatusCode kPatchFailed = VU_RESULT_PATCH_FAILED;
inline constexpr StatusCode kPatchSourceMissing = VU_RESULT_PATCH_SOURCE_MISSING;

}  // namespace status

// Result messages in code page 936.
namespace message {

inline constexpr char kUpdateInterrupted[] = "\xB8\xFC\xD0\xC2\xD6\xD0\xB6\xCF\xA3\xA1";
inline constexpr char kPatchFunctionMissing[] =
    "\xD5\xD2\xB2\xBB\xB5\xBD" "PatchPkg" "\xBA\xAF\xCA\xFD";
inline constexpr char kPatchApplyFailed[] = "\xD3\xA6\xD3\xC3\xB2\xB9\xB6\xA1\xCA\xA7\xB0\xDC:";
inline constexpr char kFileUpdateFailed[] = "\xB8\xFC\xD0\xC2\xCE\xC4\xBC\xFE\xCA\xA7\xB0\xDC:";
inline constexpr char kFileDamaged[] = "\xB8\xFC\xD0\xC2\xCE\xC4\xBC\xFE\xCB\xF0\xBB\xB5:";

}  // namespace message

}  // namespace vu
