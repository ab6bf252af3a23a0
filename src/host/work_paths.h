#pragma once
// The process-wide folders and file names every job works with, and the two speed values the
// host and the download share.
//
// The texts are set at load, reset on the host's thread when a job starts and read by worker
// threads meanwhile, so they are only reachable through functions that copy them under a lock:
// a reader always gets a whole text, never one that is being replaced. Folders end with "\".

#include <atomic>
#include <cstdint>
#include <string>

#include "RaVuviraZut.h"

namespace vu {

// Used when the system cannot report the module's own path: the module is taken to lie in the
// host executable's folder under this name.
inline constexpr char kModuleFileName[] = "RaVuviraZut.dll";
inline constexpr char kUpdateExtension[] = ".update";
inline constexpr char kCacheFolderName[] = "DlCache\\";
inline constexpr std::int32_t kNoSpeedLimit = 2147483647;

// All path values at one moment.
struct WorkPathValues {
    std::string modulePath;        // the module file, e.g. C:\Client\RaVuviraZut.dll
    std::string moduleUpdatePath;  // its pending replacement, C:\Client\RaVuviraZut.update
    std::string hostPath;          // the host executable, e.g. C:\Client\client.exe
    std::string hostUpdatePath;    // its pending replacement, C:\Client\client.update
    std::string baseWorkDir;       // the working folder every job starts from
    std::string workDir;           // the current job's working folder
    std::string workSubDir;        // the subfolder named after "#" in the last request
    std::string baseCacheDir;      // the download cache every job starts from
    std::string cacheDir;          // the current job's download cache
};

WorkPathValues CurrentWorkPaths();
std::string ModulePath();
std::string ModuleUpdatePath();
std::string HostUpdatePath();
std::string BaseWorkDir();
std::string WorkDir();
std::string WorkSubDir();
std::string BaseCacheDir();
std::string CacheDir();

// Bytes per second; kNoSpeedLimit means none. Written on the host's thread, read by the job.
extern std::atomic<std::int32_t> LimitSpeed;
// The last measured download speed in bytes per second. Written by the job, read by the host.
extern std::atomic<double> CurrentSpeed;

// Works out every value from the module's full path (empty when the system could not report
// it) and the host executable's full path, and sets the speed values to their defaults.
void InitializeWorkPaths(const std::string& modulePath, const std::string& hostExecutablePath);
// The same with the paths the system reports for this module and the running program.
void InitializeWorkPaths();
// Empties every text.
void FinalizeWorkPaths();
// Back to the base folders: called for every new job before its request is applied.
void ResetWorkPaths();
// Sets the folder the next job starts from; the current folders stay until then.
void SetBaseWorkDir(const std::string& folder);

// Moves the working and cache folders into the subfolder named after the last "#" of the
// request's ListUrl ("*" standing for "\") and creates it with its parents. A subfolder that
// would lead out of the working folder is ignored (see IsContainedRelativePath).
void ApplyWorkSubDir(const UpdateRequest& request);

// When name (a bare file name, compared without regard to case) is the file name of a pending
// replacement, sets target to the file name it replaces (the host executable's or the
// module's) and returns true; otherwise leaves target alone and returns false.
bool ReplacementTargetName(const std::string& name, std::string& target);

// True when the name begins with "pkg", compared without regard to case.
bool StartsWithPkg(const std::string& name);

// The path with the text after the last "." of its file name part (the "." included) replaced
// by extension; a file name without "." gets extension appended.
std::string ReplaceExtension(const std::string& path, const std::string& extension);

// True when the relative path stays inside the folder it is joined to: no leading separator
// (root or UNC), no ":" (drive or stream) and no component made of dots and spaces only ("..",
// and the forms Windows trims to it). Both "\" and "/" count as separators.
bool IsContainedRelativePath(const std::string& path);

}  // namespace vu
