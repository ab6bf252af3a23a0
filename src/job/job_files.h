#pragma once
// Names of the files the workers keep in the working folder.

namespace vu {

inline constexpr char kJobLogName[] = "freshline.log";
inline constexpr char kErrorLogName[] = "freshline.err";
// The saved version list, also the download of the server version check.
inline constexpr char kVersionListFileName[] = "vlt.tmp";
// The job's records: verified digests, programs already run, transfer positions.
inline constexpr char kFileRecordName[] = "flist.txt";
inline constexpr char kRunRecordName[] = "installlog.log";
inline constexpr char kRangeRecordName[] = "range.log";
// The patch engine's log of the last job.
inline constexpr char kPatchEngineLogName[] = "vekpatch.log";
// The server's accepted version range, beside the package list.
inline constexpr char kServerVersionFileName[] = "vuver.dat";
// A downloaded file's name in the cache until it is placed.
inline constexpr char kTempExtension[] = ".temp";

}  // namespace vu
