#pragma once
// INI files with every awkward construct the system may meet, with what the private-profile
// functions answer for them. The native tests check our reader against these answers; on Windows
// the same files are asked of the system's own functions as well.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vu::test {

using namespace std::string_literals;

// Reads use the default "?".
struct IniValueProbe {
    std::string section;
    std::string key;
    std::string expected;
};

// The names of a listing as its block holds them (NUL after each); no section means the listing
// of section names.
struct IniListingProbe {
    std::optional<std::string> section;
    std::string expected;
};

struct AwkwardIniFile {
    std::string name;
    std::string bytes;
    std::vector<IniValueProbe> values;
    std::vector<IniListingProbe> listings;
    // The ANSI code page the answers hold for; 0 for any.
    std::uint32_t codePage = 0;
};

inline std::vector<AwkwardIniFile> AwkwardIniFiles() {
    const std::string longValue(3000, 'x');
    return {
        {"comments and blank lines", "; top\r\n[S]\r\n; c=1\r\n\r\n  ;x=2\r\nk=v\r\n; note\r\n",
         {{"S", "k", "v"}, {"S", ";x", "2"}, {"S", "; c", "1"}, {"S", "; note", "?"}, {"", "; top", "?"}},
         {{"S", "k\0"s}, {std::nullopt, "S\0"s}}},
        {"spaces around the equals sign", "[S]\r\n  a  =  two words  \r\nb=\r\n = emptyname\r\n",
         {{"S", "a", "two words"}, {"S", "b", ""}, {"S", "", "emptyname"}, {" s ", " A ", "two words"}},
         {{"S", "a\0b\0\0"s}, {" S ", ""}}},
        {"quoted values",
         "[S]\r\nq1='x'\r\nq2=\"x\"\r\nq3=\"\r\nq4='x\"\r\nq5=\"\"\r\nq6=\"ab\r\nq7=' in '\r\n",
         {{"S", "q1", "x"}, {"S", "q2", "x"}, {"S", "q3", "\""}, {"S", "q4", "'x\""}, {"S", "q5", ""},
          {"S", "q6", "\"ab"}, {"S", "q7", " in "}},
         {}},
        {"duplicate keys and sections", "[S]\nk=1\nK=2\n[T]\nx=1\n[s]\nk=3\nm=4\n",
         {{"s", "k", "1"}, {"s", "m", "?"}, {"t", "X", "1"}},
         {{"S", "k\0K\0"s}, {std::nullopt, "S\0T\0s\0"s}}},
        {"lines without an equals sign", "[S]\nk\nk=5\nnoequals\n[open\nj=1\n",
         {{"S", "k", "?"}, {"S", "noequals", "?"}, {"S", "[open", "?"}, {"S", "j", "1"}},
         {{"S", "k\0j\0"s}}},
        {"keys before any section", "top=1\nother=2\n[A]\nk=v\n[]\ne=5\n",
         {{"", "top", "1"}, {"", "e", "?"}, {"A", "k", "v"}},
         {{"", "top\0other\0"s}, {std::nullopt, "A\0"s}}},
        {"section headers", "  [ spaced ]  \nk=1\n[a]b\nk=2\n[c]]\nk=3\n[x]=5\nq=1\n\t[tab]\nk=5\n",
         {{"spaced", "k", "1"}, {"a", "k", "2"}, {"c]", "k", "3"}, {"c", "k", "?"}, {"x", "q", "1"}, {"tab", "k", "5"}},
         {{std::nullopt, "spaced\0a\0c]\0x\0tab\0"s}}},
        {"no line end at the end", "[S]\r\nk=last", {{"S", "k", "last"}}, {{"S", "k\0"s}}},
        {"CR line ends", "[S]\rk=1\rj=2\r\r[T]\rz=3", {{"S", "j", "2"}, {"T", "z", "3"}},
         {{"S", "k\0j\0"s}, {std::nullopt, "S\0T\0"s}}},
        {"LF and CR LF line ends", "[S]\r\na=1\nb=2\r\n[T]\nc=3\n", {{"S", "b", "2"}, {"T", "c", "3"}}, {}},
        {"tabs", "[S]\n\tk\t=\tv\tw\t\n", {{"S", "k", "v\tw"}}, {{"S", "k\0"s}}},
        {"long value", "[S]\r\nlong=" + longValue + "\r\n", {{"S", "long", longValue}}, {}},
        {"NUL bytes", "[S]\nk=ab\0cd\nx\0y=1\n[T\0U]\nq=1\n"s,
         {{"S", "k", "ab"}, {"S", "x", "1"}, {"T", "q", "1"}},
         {{"S", "k\0x\0"s}, {std::nullopt, "S\0T\0"s}}},
        {"other white space", "[S]\nk=\x1Av\x1A\n\x0Bk2\x0B=\x0C" "v2\x0C\nk3=\xA0v\xA0\n",
         {{"S", "k", "v"}, {"S", "k2", "v2"}, {"S", "k3", "\xA0v\xA0"}}, {}, 1252},
        {"letter case", "[MiXeD]\nKey=1\n[\xC9t\xC9]\n\xC9k=2\n",
         {{"mixed", "KEY", "1"}, {"\xE9t\xE9", "\xC9k", "?"}, {"\xC9t\xC9", "\xC9k", "2"}}, {}, 1252},
        // 0xB0 0x41 and 0xB0 0x61 are two characters; 0x81 0x5D is one character ending in ']'.
        {"Chinese names", "[\xB0\x41]\nKey\xB0\x41=upper\n[x]\nk\xB0\x61=lower\n[a\x81]\nk=1\n[\x81\x5D]\nz=2\n",
         {{"\xB0\x41", "KEY\xB0\x41", "upper"}, {"\xB0\x61", "KEY\xB0\x41", "?"}, {"X", "K\xB0\x61", "lower"},
          {"x", "k\xB0\x41", "?"}, {"x", "k", "1"}, {"\x81\x5D", "z", "2"}},
         {{"x", "k\xB0\x61\0k\0"s}, {std::nullopt, "\xB0\x41\0x\0\x81]\0"s}}, 936},
        {"missing section or key", "[S]\nk=1\n", {{"S", "missing", "?"}, {"missing", "k", "?"}},
         {{"missing", ""}}},
    };
}

}  // namespace vu::test
