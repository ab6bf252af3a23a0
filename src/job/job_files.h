#pragma once
// Names of the files the workers keep in the working folder.

namespace vu {

inline constexpr char kJobLogName[] = "freshline.log";
inline constexpr char kErrorLogName[] = "freshline.err";
// The saved version list, also the download of the server version check.
inline constexpr char kVersionListFileName[] = "vlt.tmp";

}  // namespace vu
