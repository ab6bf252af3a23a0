#pragma once
// MD5 message digest (RFC 1321) of files and streams, and its text form.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/stream.h"

namespace vu {

using Md5Digest = std::array<std::uint8_t, 16>;

// The running state of one digest computation.
class Md5Context {
public:
    Md5Context();
    ~Md5Context();
    Md5Context(const Md5Context&) = delete;
    Md5Context& operator=(const Md5Context&) = delete;

    void Add(const void* data, std::size_t count);
    // Pads, returns the digest and wipes the state; the context is spent afterwards.
    Md5Digest Finish();

private:
    void Wipe() noexcept;

    std::uint32_t state_[4];
    std::uint64_t bitCount_;
    std::uint8_t block_[64];
};

// Digest of the stream's bytes from position 0 up to the size it has when the call starts; the
// stream's position is restored afterwards, also when a read raises.
Md5Digest StreamDigest(platform::Stream& stream);

// Digest of a file, opened for reading while other openers are denied write access. Raises
// platform::SystemError when the file cannot be opened or read.
Md5Digest FileDigest(const std::string& path);

// 32 upper-case hexadecimal digits, byte 0 first.
std::string DigestToHex(const Md5Digest& digest);

bool DigestsEqual(const Md5Digest& a, const Md5Digest& b);

}  // namespace vu
