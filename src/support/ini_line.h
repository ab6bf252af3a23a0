#pragma once
// The syntax of one INI line, as the private-profile functions read it.
//
// A line (without its line end) is trimmed of white space. An empty line is blank. A line that
// starts with '[' and holds a ']' after it is a section header; the name lies between the '[' and
// the last ']', trimmed. Any other line is a key: the name before the first '=', the value after
// it, both trimmed; a line without '=' is a key without a value, and a key whose name begins with
// ';' is a comment. Names and values end at a NUL byte, as the C strings they become do.

#include <cstdint>
#include <string_view>

#include "support/ansi_charset.h"

namespace vu {

// White space of INI text: space, tab, line breaks, vertical tab, form feed, and Ctrl-Z.
constexpr bool IsIniSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1A';
}

std::string_view TrimIniSpace(std::string_view text);
// The text before its first NUL byte.
std::string_view UpToNul(std::string_view text);
// A name as the caller gives it (a C string, surrounding white space ignored).
std::string_view RequestedName(std::string_view name);

enum class IniLineKind : std::uint8_t { Blank, Section, Key };

// Where the parts of a line lie, as offsets into the line.
struct IniLineParts {
    IniLineKind kind = IniLineKind::Blank;
    bool hasValue = false;  // a key line with '='
    std::uint32_t nameBegin = 0;
    std::uint32_t nameEnd = 0;
    std::uint32_t valueBegin = 0;
    std::uint32_t valueEnd = 0;

    // The section or key name as the functions see it (up to a NUL).
    std::string_view Name(std::string_view line) const {
        return UpToNul(line.substr(nameBegin, nameEnd - nameBegin));
    }
    // The name with every byte, for rewriting the line.
    std::string_view RawName(std::string_view line) const { return line.substr(nameBegin, nameEnd - nameBegin); }
    std::string_view Value(std::string_view line) const {
        return UpToNul(line.substr(valueBegin, valueEnd - valueBegin));
    }
    bool IsComment(std::string_view line) const { return kind == IniLineKind::Key && Name(line).starts_with(';'); }
};

// Parses a line of at most 4 GiB; `line` must not hold its line end.
IniLineParts ParseIniLine(std::string_view line, const AnsiCharset& charset);

}  // namespace vu
