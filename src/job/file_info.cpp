#include "job/file_info.h"

namespace vu {

namespace {

constexpr char kMarkers[] = "!@*/~?:";  // the seven removable ones, in keep-bit order
constexpr char kPatchBar = '|';

bool HasMarker(std::string_view name, char marker) {
    return name.find(marker) != std::string_view::npos;
}

}  // namespace

std::string MarkerFilter(std::string_view text, std::uint8_t keepSet) {
    std::string kept;
    kept.reserve(text.size());
    for (const char c : text) {
        bool removed = false;
        for (unsigned bit = 0; kMarkers[bit] != '\0'; ++bit) {
            if (c == kMarkers[bit] && (keepSet & (1u << bit)) == 0) removed = true;
        }
        if (!removed) kept.push_back(c);
    }
    if ((keepSet & kKeepPatchBar) != 0) return kept;

    std::string result;
    result.reserve(kept.size());
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const char c = kept[i] == kPatchBar ? '\\' : kept[i];
        const bool nextIsSeparator =
            i + 1 < kept.size() && (kept[i + 1] == '\\' || kept[i + 1] == kPatchBar);
        result.push_back(c);
        if (c == '\\' && nextIsSeparator) ++i;  // a pair collapses into one
    }
    return result;
}

TFileInfo::TFileInfo(std::string_view entryName, std::string localName, std::string digest,
                     std::int64_t size)
    : Name(RecordNameOf(entryName)),
      LocalName(std::move(localName)),
      IsArchive(HasMarker(entryName, '!')),
      RunAfter(HasMarker(entryName, '@')),
      RunOnce(HasMarker(entryName, '/')),
      AlwaysVerify(HasMarker(entryName, '*')),
      IsRemoval(HasMarker(entryName, '~')),
      IsOptional(HasMarker(entryName, '?')),
      HasColon(HasMarker(entryName, ':')),
      IsPatch(HasMarker(entryName, kPatchBar)),
      Digest(std::move(digest)),
      Size(size) {}

std::string PatchSourceName(const TFileInfo& entry) {
    const auto bar = entry.Name.find(kPatchBar);
    if (bar == std::string::npos) return {};
    const std::string source = entry.Name.substr(0, bar);
    const auto dot = source.find_last_of(".\\:");
    if (dot == std::string::npos || source[dot] != '.') return source;
    return source.substr(0, dot);
}

std::string FileNamePart(std::string_view path) {
    const auto separator = path.rfind('\\');
    return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

}  // namespace vu
