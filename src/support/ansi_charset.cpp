#include "support/ansi_charset.h"

#include "platform/code_page.h"

namespace vu {
namespace {

void Mark(std::array<bool, 256>& bytes, unsigned first, unsigned last) {
    for (unsigned byte = first; byte <= last; ++byte) bytes[byte] = true;
}

}  // namespace

AnsiCharset::AnsiCharset(std::uint32_t codePage) : codePage_(codePage) {
    switch (codePage) {
        case 932:  // Japanese (Shift-JIS)
            Mark(leadBytes_, 0x81, 0x9F);
            Mark(leadBytes_, 0xE0, 0xFC);
            Mark(trailBytes_, 0x40, 0x7E);
            Mark(trailBytes_, 0x80, 0xFC);
            break;
        case 936:  // Simplified Chinese (GBK)
            Mark(leadBytes_, 0x81, 0xFE);
            Mark(trailBytes_, 0x40, 0x7E);
            Mark(trailBytes_, 0x80, 0xFE);
            break;
        case 949:  // Korean
            Mark(leadBytes_, 0x81, 0xFE);
            Mark(trailBytes_, 0x41, 0x5A);
            Mark(trailBytes_, 0x61, 0x7A);
            Mark(trailBytes_, 0x81, 0xFE);
            break;
        case 950:  // Traditional Chinese (Big5)
            Mark(leadBytes_, 0x81, 0xFE);
            Mark(trailBytes_, 0x40, 0x7E);
            Mark(trailBytes_, 0xA1, 0xFE);
            break;
        default:  // single-byte code pages
            break;
    }
}

AnsiCharset AnsiCharset::System() { return AnsiCharset(platform::AnsiCodePage()); }

std::string AnsiCharset::FoldCase(std::string_view text) const {
    std::string folded(text);
    for (std::size_t offset = 0; offset < folded.size();) {
        const std::size_t length = CharLength(folded, offset);
        char& byte = folded[offset];
        if (length == 1 && byte >= 'A' && byte <= 'Z') byte = static_cast<char>(byte - 'A' + 'a');
        offset += length;
    }
    return folded;
}

}  // namespace vu
