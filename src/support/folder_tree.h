#pragma once
// Emptying and pruning folder trees. Entries whose names begin with a dot are left alone, and a
// symbolic link or junction inside the tree is never followed: it is removed itself or kept, so
// nothing outside the tree is touched. Failures only lower the result; nothing is raised.

#include <string>

namespace vu {

// Deletes every file below folder (clearing read-only attributes first) and, when removeFolders
// is set, every folder that became empty, the folder itself included unless it is a bare drive
// ("C:") or drive root. Returns false when the folder does not exist or anything below it could
// not be deleted; a folder holding a kept dot-entry therefore stays, and so do its parents.
// A link to a file is deleted like a file; a link to a folder is removed (never its target's
// content) when removeFolders is set and kept otherwise.
bool DeleteFolderTree(const std::string& folder, bool removeFolders);

// Removes empty folders below folder bottom-up, then folder itself when it is empty. A folder
// holding a file whose name ends in ".temp" (a partial download) is kept, and with it every
// folder above it. Files are never deleted; a link to a folder is removed itself. Returns false
// when the folder does not exist or a folder without ".temp" files could not be removed.
bool PruneEmptyFolders(const std::string& folder);

}  // namespace vu
