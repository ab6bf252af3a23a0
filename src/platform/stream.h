#pragma once
// A seekable byte stream with 64-bit sizes and positions. Failures raise SystemError.

#include <cstddef>
#include <cstdint>

namespace vu::platform {

class Stream {
public:
    virtual ~Stream() = default;
    virtual std::int64_t Size() = 0;
    virtual std::int64_t Position() = 0;
    virtual void Seek(std::int64_t position) = 0;
    // Reads up to `count` bytes; returns how many were read, 0 at the end.
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    // Writes all `count` bytes or raises.
    virtual void Write(const void* buffer, std::size_t count) = 0;
};

}  // namespace vu::platform
