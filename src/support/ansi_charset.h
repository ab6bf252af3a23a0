#pragma once
// Byte rules of an ANSI code page that name matching needs: which bytes open a two-byte character,
// and case folding that never touches the second byte of such a character (in code page 936 a
// second byte may be 'A'..'Z'; folding it would make two different Chinese names equal).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vu {

class AnsiCharset {
public:
    explicit AnsiCharset(std::uint32_t codePage);
    // The charset of the system's ANSI code page.
    static AnsiCharset System();

    std::uint32_t CodePage() const { return codePage_; }
    bool IsLeadByte(char byte) const { return leadBytes_[static_cast<unsigned char>(byte)]; }
    bool IsTrailByte(char byte) const { return trailBytes_[static_cast<unsigned char>(byte)]; }
    // Bytes of the character that starts at `offset`: 2 for a lead byte followed by a valid
    // second byte, else 1.
    std::size_t CharLength(std::string_view text, std::size_t offset) const {
        return IsLeadByte(text[offset]) && offset + 1 < text.size() && IsTrailByte(text[offset + 1]) ? 2 : 1;
    }
    // ASCII letters in lower case; every byte of a two-byte character unchanged.
    std::string FoldCase(std::string_view text) const;
    bool SameName(std::string_view a, std::string_view b) const { return FoldCase(a) == FoldCase(b); }

private:
    std::uint32_t codePage_;
    std::array<bool, 256> leadBytes_{};
    std::array<bool, 256> trailBytes_{};
};

}  // namespace vu
