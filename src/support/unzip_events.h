#pragma once
// The handler the ZIP extraction calls before it writes each entry.

#include <cstdint>
#include <string>

namespace vu {

// Prepares each target file of an extraction: clears its read-only attribute so that the
// extractor can replace an existing read-only file. It neither changes the target path nor asks
// for the entry to be skipped. Holds no state, so any thread may call it.
class TUnzipEvt {
public:
    void OnStartFile(std::int32_t entryIndex, std::string& targetPath, bool& skip) const;
};

// The process's one handler object.
TUnzipEvt& UnzipEventHandler();

}  // namespace vu
