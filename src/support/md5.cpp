#include "support/md5.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/file.h"

namespace vu {
namespace {

// Reads of 64 KiB keep the per-read cost of the system call small against the hashing itself.
constexpr std::size_t kReadBlockSize = 64 * 1024;

constexpr std::uint32_t RotateLeft(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// The four round functions of MD5.
constexpr std::uint32_t F(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return z ^ (x & (y ^ z)); }
constexpr std::uint32_t G(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return y ^ (z & (x ^ y)); }
constexpr std::uint32_t H(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return x ^ y ^ z; }
constexpr std::uint32_t I(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return y ^ (x | ~z); }

template <std::uint32_t (*Round)(std::uint32_t, std::uint32_t, std::uint32_t)>
inline void Step(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t word,
                 std::uint32_t constant, int shift) {
    a = b + RotateLeft(a + Round(b, c, d) + word + constant, shift);
}

std::uint32_t LoadLittleEndian(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void StoreLittleEndian(std::uint32_t value, std::uint8_t* bytes) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Mixes one 64-byte block into the state.
void Transform(std::uint32_t state[4], const std::uint8_t* block) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLittleEndian(block + 4 * i);
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];

    Step<F>(a, b, c, d, x[0], 0xd76aa478, 7);    Step<F>(d, a, b, c, x[1], 0xe8c7b756, 12);
    Step<F>(c, d, a, b, x[2], 0x242070db, 17);   Step<F>(b, c, d, a, x[3], 0xc1bdceee, 22);
    Step<F>(a, b, c, d, x[4], 0xf57c0faf, 7);    Step<F>(d, a, b, c, x[5], 0x4787c62a, 12);
    Step<F>(c, d, a, b, x[6], 0xa8304613, 17);   Step<F>(b, c, d, a, x[7], 0xfd469501, 22);
    Step<F>(a, b, c, d, x[8], 0x698098d8, 7);    Step<F>(d, a, b, c, x[9], 0x8b44f7af, 12);
    Step<F>(c, d, a, b, x[10], 0xffff5bb1, 17);  Step<F>(b, c, d, a, x[11], 0x895cd7be, 22);
    Step<F>(a, b, c, d, x[12], 0x6b901122, 7);   Step<F>(d, a, b, c, x[13], 0xfd987193, 12);
    Step<F>(c, d, a, b, x[14], 0xa679438e, 17);  Step<F>(b, c, d, a, x[15], 0x49b40821, 22);

    Step<G>(a, b, c, d, x[1], 0xf61e2562, 5);    Step<G>(d, a, b, c, x[6], 0xc040b340, 9);
    Step<G>(c, d, a, b, x[11], 0x265e5a51, 14);  Step<G>(b, c, d, a, x[0], 0xe9b6c7aa, 20);
    Step<G>(a, b, c, d, x[5], 0xd62f105d, 5);    Step<G>(d, a, b, c, x[10], 0x02441453, 9);
    Step<G>(c, d, a, b, x[15], 0xd8a1e681, 14);  Step<G>(b, c, d, a, x[4], 0xe7d3fbc8, 20);
    Step<G>(a, b, c, d, x[9], 0x21e1cde6, 5);    Step<G>(d, a, b, c, x[14], 0xc33707d6, 9);
    Step<G>(c, d, a, b, x[3], 0xf4d50d87, 14);   Step<G>(b, c, d, a, x[8], 0x455a14ed, 20);
    Step<G>(a, b, c, d, x[13], 0xa9e3e905, 5);   Step<G>(d, a, b, c, x[2], 0xfcefa3f8, 9);
    Step<G>(c, d, a, b, x[7], 0x676f02d9, 14);   Step<G>(b, c, d, a, x[12], 0x8d2a4c8a, 20);

    Step<H>(a, b, c, d, x[5], 0xfffa3942, 4);    Step<H>(d, a, b, c, x[8], 0x8771f681, 11);
    Step<H>(c, d, a, b, x[11], 0x6d9d6122, 16);  Step<H>(b, c, d, a, x[14], 0xfde5380c, 23);
    Step<H>(a, b, c, d, x[1], 0xa4beea44, 4);    Step<H>(d, a, b, c, x[4], 0x4bdecfa9, 11);
    Step<H>(c, d, a, b, x[7], 0xf6bb4b60, 16);   Step<H>(b, c, d, a, x[10], 0xbebfbc70, 23);
    Step<H>(a, b, c, d, x[13], 0x289b7ec6, 4);   Step<H>(d, a, b, c, x[0], 0xeaa127fa, 11);
    Step<H>(c, d, a, b, x[3], 0xd4ef3085, 16);   Step<H>(b, c, d, a, x[6], 0x04881d05, 23);
    Step<H>(a, b, c, d, x[9], 0xd9d4d039, 4);    Step<H>(d, a, b, c, x[12], 0xe6db99e5, 11);
    Step<H>(c, d, a, b, x[15], 0x1fa27cf8, 16);  Step<H>(b, c, d, a, x[2], 0xc4ac5665, 23);

    Step<I>(a, b, c, d, x[0], 0xf4292244, 6);    Step<I>(d, a, b, c, x[7], 0x432aff97, 10);
    Step<I>(c, d, a, b, x[14], 0xab9423a7, 15);  Step<I>(b, c, d, a, x[5], 0xfc93a039, 21);
    Step<I>(a, b, c, d, x[12], 0x655b59c3, 6);   Step<I>(d, a, b, c, x[3], 0x8f0ccc92, 10);
    Step<I>(c, d, a, b, x[10], 0xffeff47d, 15);  Step<I>(b, c, d, a, x[1], 0x85845dd1, 21);
    Step<I>(a, b, c, d, x[8], 0x6fa87e4f, 6);    Step<I>(d, a, b, c, x[15], 0xfe2ce6e0, 10);
    Step<I>(c, d, a, b, x[6], 0xa3014314, 15);   Step<I>(b, c, d, a, x[13], 0x4e0811a1, 21);
    Step<I>(a, b, c, d, x[4], 0xf7537e82, 6);    Step<I>(d, a, b, c, x[11], 0xbd3af235, 10);
    Step<I>(c, d, a, b, x[2], 0x2ad7d2bb, 15);   Step<I>(b, c, d, a, x[9], 0xeb86d391, 21);

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

}  // namespace

Md5Context::Md5Context()
    : state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476}, bitCount_(0), block_{} {}

Md5Context::~Md5Context() { Wipe(); }

void Md5Context::Wipe() noexcept {
    // Volatile stores so the compiler keeps the wipe of a dying object.
    volatile std::uint8_t* bytes = block_;
    for (std::size_t i = 0; i < sizeof block_; ++i) bytes[i] = 0;
    volatile std::uint32_t* words = state_;
    for (int i = 0; i < 4; ++i) words[i] = 0;
    bitCount_ = 0;
}

void Md5Context::Add(const void* data, std::size_t count) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t used = static_cast<std::size_t>((bitCount_ >> 3) & 63);
    bitCount_ += static_cast<std::uint64_t>(count) << 3;
    if (used != 0) {
        const std::size_t take = std::min(count, 64 - used);
        std::memcpy(block_ + used, bytes, take);
        bytes += take;
        count -= take;
        if (used + take < 64) return;
        Transform(state_, block_);
    }
    for (; count >= 64; bytes += 64, count -= 64) Transform(state_, bytes);
    std::memcpy(block_, bytes, count);
}

Md5Digest Md5Context::Finish() {
    std::uint8_t length[8];
    const std::uint64_t bits = bitCount_;
    for (int i = 0; i < 8; ++i) length[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    static constexpr std::uint8_t kPadding[64] = {0x80};
    const std::size_t used = static_cast<std::size_t>((bits >> 3) & 63);
    Add(kPadding, used < 56 ? 56 - used : 120 - used);
    Add(length, sizeof length);
    Md5Digest digest;
    for (int i = 0; i < 4; ++i) StoreLittleEndian(state_[i], digest.data() + 4 * i);
    Wipe();
    return digest;
}

Md5Digest StreamDigest(platform::Stream& stream) {
    Md5Context context;
    const std::int64_t size = stream.Size();
    const std::int64_t saved = stream.Position();
    try {
        stream.Seek(0);
        std::vector<std::uint8_t> buffer(kReadBlockSize);
        for (std::int64_t total = 0; total < size;) {
            const auto want = static_cast<std::size_t>(std::min<std::int64_t>(kReadBlockSize, size - total));
            const std::size_t got = stream.Read(buffer.data(), want);
            if (got == 0) break;
            context.Add(buffer.data(), got);
            total += static_cast<std::int64_t>(got);
        }
    } catch (...) {
        try {
            stream.Seek(saved);
        } catch (...) {
            // The read failure is the one worth reporting.
        }
        throw;
    }
    stream.Seek(saved);
    return context.Finish();
}

Md5Digest FileDigest(const std::string& path) {
    auto file = platform::File::Open(path, platform::FileAccess::Read, platform::FileShare::Read,
                                     platform::FileCreation::OpenExisting);
    return StreamDigest(file);
}

std::string DigestToHex(const Md5Digest& digest) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(32);
    for (const std::uint8_t byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

bool DigestsEqual(const Md5Digest& a, const Md5Digest& b) {
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}

}  // namespace vu
