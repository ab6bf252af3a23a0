#include "support/ini_line.h"

namespace vu {
namespace {

// The offset of the last ']' after `from` that is a character of its own (not the second byte
// of a two-byte character), or npos.
std::size_t LastClosingBracket(std::string_view line, std::size_t from, std::size_t end,
                               const AnsiCharset& charset) {
    std::size_t found = std::string_view::npos;
    for (std::size_t offset = from; offset < end;) {
        const std::size_t length = charset.CharLength(line, offset);
        if (length == 1 && line[offset] == ']') found = offset;
        offset += length;
    }
    return found;
}

std::uint32_t Offset(std::size_t offset) { return static_cast<std::uint32_t>(offset); }

}  // namespace

std::string_view TrimIniSpace(std::string_view text) {
    while (!text.empty() && IsIniSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsIniSpace(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view UpToNul(std::string_view text) { return text.substr(0, text.find('\0')); }

std::string_view RequestedName(std::string_view name) { return TrimIniSpace(UpToNul(name)); }

IniLineParts ParseIniLine(std::string_view line, const AnsiCharset& charset) {
    std::size_t begin = 0;
    std::size_t end = line.size();
    while (begin < end && IsIniSpace(line[begin])) ++begin;
    while (end > begin && IsIniSpace(line[end - 1])) --end;
    IniLineParts parts;
    if (begin == end) return parts;

    if (line[begin] == '[') {
        const std::size_t close = LastClosingBracket(line, begin + 1, end, charset);
        if (close != std::string_view::npos) {
            std::size_t nameBegin = begin + 1;
            std::size_t nameEnd = close;
            while (nameBegin < nameEnd && IsIniSpace(line[nameBegin])) ++nameBegin;
            while (nameEnd > nameBegin && IsIniSpace(line[nameEnd - 1])) --nameEnd;
            parts.kind = IniLineKind::Section;
            parts.nameBegin = Offset(nameBegin);
            parts.nameEnd = Offset(nameEnd);
            return parts;
        }
    }

    parts.kind = IniLineKind::Key;
    parts.nameBegin = Offset(begin);
    // '=' (0x3D) is never the second byte of a two-byte character, so a plain search serves.
    const std::size_t equals = line.substr(0, end).find('=', begin);
    if (equals == std::string_view::npos) {
        parts.nameEnd = Offset(end);
        return parts;
    }
    std::size_t nameEnd = equals;
    while (nameEnd > begin && IsIniSpace(line[nameEnd - 1])) --nameEnd;
    std::size_t valueBegin = equals + 1;
    while (valueBegin < end && IsIniSpace(line[valueBegin])) ++valueBegin;
    parts.hasValue = true;
    parts.nameEnd = Offset(nameEnd);
    parts.valueBegin = Offset(valueBegin);
    parts.valueEnd = Offset(end);
    return parts;
}

}  // namespace vu
