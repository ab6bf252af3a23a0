#pragma once
// What the two fetches of a version file (the version list, the server's version range) share:
// the bound of the id that keeps caches from answering, the label of their failure lines and
// the message of a fetch that failed.

#include <cstdint>

namespace vu {

inline constexpr std::int32_t kVersionRequestIdBound = 1000000;
inline constexpr char kVersionFetchLabel[] = "[GetVerlist Err]";
inline constexpr char kVersionFetchFailedMessage[] = "Download VerList Fail";

}  // namespace vu
