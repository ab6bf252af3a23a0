#pragma once
// What a private-profile read puts into a caller's buffer of a given size in bytes: a value, or
// a listing of names as a block of NUL-terminated names ending in an empty name.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vu {

// A value read: the value found (none when the key is missing or has no '='), else the default
// without its trailing spaces. A value in matching single or double quotes loses them. The text
// is cut to the buffer size less one.
std::string ProfileValue(std::optional<std::string_view> found, std::string_view defaultValue,
                         std::size_t bufferSize);

// The bytes a listing writes: `count` is what the call returns; `bytes` holds the names and the
// terminating NULs (one more NUL after a listing that was cut).
struct ProfileBlock {
    std::string bytes;
    std::size_t count = 0;
};

// The names of a block in order, up to the first empty name.
std::vector<std::string> NamesInBlock(const ProfileBlock& block);

// Builds the listing of a section's key names. A name that does not fit is cut, and the block
// then ends with two NULs and reports the buffer size less two.
class KeyNameBlock {
public:
    explicit KeyNameBlock(std::size_t bufferSize) : size_(bufferSize), room_(bufferSize) {}
    // Adds a name; false once the buffer is full (add no more then).
    bool Add(std::string_view name);
    ProfileBlock Finish() &&;

private:
    std::size_t size_;
    std::size_t room_;
    std::string bytes_;
};

// Builds the listing of section names. A name that does not fit with room to spare is cut and
// ends the listing with two NULs, reporting the buffer size less two.
class SectionNameBlock {
public:
    explicit SectionNameBlock(std::size_t bufferSize)
        : size_(bufferSize), room_(bufferSize > 0 ? bufferSize - 1 : 0) {}
    bool Add(std::string_view name);
    ProfileBlock Finish() &&;

private:
    std::size_t size_;
    std::size_t room_;
    bool cut_ = false;
    std::string bytes_;
};

}  // namespace vu
