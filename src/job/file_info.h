#pragma once
// Package list entries: the marker characters of entry names, the two names made from them, and
// the record of one entry that needs work.

#include <cstdint>
#include <string>
#include <string_view>

namespace vu {

// Bits of a marker keep set, one per marker character, in this order: "!", "@", "*", "/", "~",
// "?", ":" and "|".
inline constexpr std::uint8_t kKeepNoMarkers = 0;
inline constexpr std::uint8_t kKeepPatchBar = 1u << 7;

// Removes every marker character whose keep bit is clear; a cleared "|" bit turns each "|" into
// a backslash and then each pair of backslashes into one, in one left-to-right pass.
std::string MarkerFilter(std::string_view text, std::uint8_t keepSet);

// The local name, a path relative to the working folder: every marker removed.
inline std::string LocalNameOf(std::string_view entryName) {
    return MarkerFilter(entryName, kKeepNoMarkers);
}
// The record name: every marker removed but "|".
inline std::string RecordNameOf(std::string_view entryName) {
    return MarkerFilter(entryName, kKeepPatchBar);
}

class TFileInfo {
public:
    TFileInfo(std::string_view entryName, std::string localName, std::string digest,
              std::int64_t size);

    std::string Name;  // the record name
    std::string LocalName;
    bool IsArchive;     // "!": a ZIP archive, unpacked after download
    bool RunAfter;      // "@": run once placed
    bool RunOnce;       // "/": needed until the run record says it has run
    bool AlwaysVerify;  // "*": checked on disk even when recorded
    bool IsRemoval;     // "~": deleted, never needed
    bool IsOptional;    // "?": a missing file alone does not make it needed
    bool HasColon;      // ":"
    bool IsPatch;       // "|": applied by the patch engine to the target named before the bar
    std::string Digest;
    std::int64_t Size;  // -1 when unknown
    bool Downloaded = false;
};

// The part of the entry's Name before its first "|" without its file extension; empty when the
// Name holds no "|".
std::string PatchSourceName(const TFileInfo& entry);

// The text after the last backslash.
std::string FileNamePart(std::string_view path);

}  // namespace vu
