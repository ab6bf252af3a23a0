#pragma once
// The version catalogue: the path and digest of the last version list a fetch saved, and the
// query that answers a host's VersionQuery from that list while its digest still matches.
//
// The state is process-wide and guarded by one lock, which a query holds throughout and a fetch
// holds while it replaces the file and publishes it. So a query answers from the old list or
// from the new one, never from a file being written, and fetches running at once never get in
// each other's way.

#include <cstdint>
#include <string>
#include <string_view>

#include "RaVuviraZut.h"

namespace vu {

// Forgets the saved list: no query finds one until the next fetch publishes it.
void ResetVersionCatalogue();

// Replaces the file at path with content in one step (clearing its read-only attribute first)
// and records it as the saved list together with the MD5 digest of what was written. Raises
// platform::SystemError when the file cannot be written, changing nothing, or when it cannot be
// hashed, with the new path recorded and the old digest kept, so that queries answer
// VU_CHECK_NO_LIST unless the content is unchanged.
void SaveVersionList(const std::string& path, std::string_view content);

// Looks the query's product and version up in the saved list and fills the record's output
// fields; returns one of the VU_CHECK_... results. Never raises: a list that is missing,
// changed or cannot be read gives VU_CHECK_NO_LIST.
std::int32_t CheckVersion(VersionQuery& query) noexcept;

}  // namespace vu
