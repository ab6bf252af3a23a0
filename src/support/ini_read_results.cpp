#include "support/ini_read_results.h"

#include "support/ini_line.h"

namespace vu {
namespace {

// The default loses trailing spaces, but never its first character.
std::string_view TrimDefault(std::string_view text) {
    text = UpToNul(text);
    while (text.size() > 1 && text.back() == ' ') text.remove_suffix(1);
    return text;
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

}  // namespace

std::string ProfileValue(std::optional<std::string_view> found, std::string_view defaultValue,
                         std::size_t bufferSize) {
    if (bufferSize == 0) return {};
    std::string_view text = found ? *found : TrimDefault(defaultValue);
    const bool quoted = text.size() >= 2 && IsQuote(text.front()) && text.back() == text.front();
    if (quoted) text.remove_prefix(1);
    std::string result(text.substr(0, bufferSize - 1));
    // The closing quote goes only when the whole quoted text fit the buffer; when the text just
    // fills it, the closing quote was already cut and the last character goes instead.
    if (quoted && bufferSize >= text.size() && !result.empty()) result.pop_back();
    return result;
}

std::vector<std::string> NamesInBlock(const ProfileBlock& block) {
    std::vector<std::string> names;
    const std::string_view bytes = std::string_view(block.bytes).substr(0, block.count + 1);
    for (std::size_t offset = 0; offset < bytes.size();) {
        const std::size_t end = bytes.find('\0', offset);
        if (end == offset || end == std::string_view::npos) break;
        names.emplace_back(bytes.substr(offset, end - offset));
        offset = end + 1;
    }
    return names;
}

bool KeyNameBlock::Add(std::string_view name) {
    if (room_ <= 2) return false;
    const std::string_view piece = name.substr(0, room_ - 2);
    bytes_ += piece;
    bytes_ += '\0';
    room_ -= piece.size() + 1;
    return room_ >= 2;
}

ProfileBlock KeyNameBlock::Finish() && {
    if (size_ == 0) return {};
    if (size_ == 1) return {std::string(1, '\0'), 0};
    bytes_ += '\0';
    if (room_ <= 1) return {std::move(bytes_), size_ - 2};
    const std::size_t count = bytes_.size() - 1;
    return {std::move(bytes_), count};
}

bool SectionNameBlock::Add(std::string_view name) {
    if (cut_ || room_ == 0) return false;
    if (name.size() + 1 >= room_) {
        bytes_ += name.substr(0, room_ - 1);
        bytes_ += '\0';
        bytes_ += '\0';
        cut_ = true;
        return false;
    }
    bytes_ += name;
    bytes_ += '\0';
    room_ -= name.size() + 1;
    return true;
}

ProfileBlock SectionNameBlock::Finish() && {
    if (size_ == 0) return {};
    if (size_ == 1) return {std::string(1, '\0'), 0};
    if (cut_) return {std::move(bytes_), size_ - 2};
    bytes_ += '\0';
    const std::size_t count = bytes_.size() - 1;
    return {std::move(bytes_), count};
}

}  // namespace vu
