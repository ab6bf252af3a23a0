#include "support/md5.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "helpers/temp_folder.h"
#include "platform/file.h"
#include "platform/system_error.h"

namespace vu {
namespace {

std::string DigestText(const std::string& data) {
    Md5Context context;
    context.Add(data.data(), data.size());
    return DigestToHex(context.Finish());
}

// Bytes (i * 7 + 3) mod 256, so that no two blocks of a message are alike.
std::string Pattern(std::size_t size) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 7 + 3) & 255);
    return data;
}

TEST(Md5, Rfc1321TestSuite) {
    const struct {
        const char* message;
        const char* digest;
    } cases[] = {
        {"", "D41D8CD98F00B204E9800998ECF8427E"},
        {"a", "0CC175B9C0F1B6A831C399E269772661"},
        {"abc", "900150983CD24FB0D6963F7D28E17F72"},
        {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
        {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57EDF4A22BE3C955AC49DA2E2107B67A"},
    };
    for (const auto& c : cases) EXPECT_EQ(DigestText(c.message), c.digest) << '"' << c.message << '"';
}

// Digests from an independent implementation, for sizes around the padding and the read block.
const struct {
    std::size_t size;
    const char* digest;
} kPatternDigests[] = {
    {55, "52C0E574E1198DE5FE3F8F11440DCB1B"},   {56, "46C9907FC908EE68B1E7B8E71286A518"},
    {63, "A62F6D59E837867693F042F5B8F5A236"},   {64, "7160B8FB5E9E4023D549C3971FBAEEAD"},
    {65, "70BD662E7AEFBDA85A0F7244167B7897"},   {119, "E84905D4214F4D1CA56C2CDCC152B143"},
    {120, "E3EB5A6C8669EA01A8C185B8ABC8A5DC"},  {4095, "53DE317667CA40D9642E2D859BFBFD16"},
    {4096, "D105289F5617C241F52A191C6B2FC809"}, {4097, "C7CFB8A6D3D4929F9035E0918250B62D"},
    {10000, "941546D1C333E2F0D9EFD902E5CB94B7"},
};

TEST(Md5, PaddingAndBlockBoundaries) {
    for (const auto& c : kPatternDigests) EXPECT_EQ(DigestText(Pattern(c.size)), c.digest) << c.size;
}

TEST(Md5, AddingInUnevenPiecesGivesTheSameDigest) {
    const std::string data = Pattern(1000);
    for (const std::size_t piece : {1u, 3u, 63u, 64u, 65u, 333u}) {
        Md5Context context;
        for (std::size_t at = 0; at < data.size(); at += piece)
            context.Add(data.data() + at, std::min(piece, data.size() - at));
        EXPECT_EQ(DigestToHex(context.Finish()), DigestText(data)) << piece;
    }
}

TEST(FileDigest, MatchesTheKnownDigestsOfFiles) {
    const test::TempFolder folder;
    test::WriteFileBytes(folder / "empty", "");
    EXPECT_EQ(DigestToHex(FileDigest(folder / "empty")), "D41D8CD98F00B204E9800998ECF8427E");
    for (const auto& c : kPatternDigests) {
        test::WriteFileBytes(folder / "f", Pattern(c.size));
        EXPECT_EQ(DigestToHex(FileDigest(folder / "f")), c.digest) << c.size;
    }
}

TEST(FileDigest, RaisesForAMissingFile) {
    const test::TempFolder folder;
    EXPECT_THROW(FileDigest(folder / "missing"), platform::SystemError);
}

// An in-memory stream that can be told to fail on a read, or to report a size other than its
// content's length.
class MemoryStream final : public platform::Stream {
public:
    explicit MemoryStream(std::string data) : data_(std::move(data)), reportedSize_(data_.size()) {}
    std::int64_t Size() override { return static_cast<std::int64_t>(reportedSize_); }
    std::int64_t Position() override { return static_cast<std::int64_t>(position_); }
    void Seek(std::int64_t position) override { position_ = static_cast<std::size_t>(position); }
    std::size_t Read(void* buffer, std::size_t count) override {
        if (failAt_ != 0 && position_ >= failAt_) throw std::runtime_error("read failed");
        const std::size_t got = std::min(count, data_.size() - position_);
        std::memcpy(buffer, data_.data() + position_, got);
        position_ += got;
        return got;
    }
    void Write(const void*, std::size_t) override {}

    std::string data_;
    std::size_t reportedSize_;
    std::size_t position_ = 0;
    std::size_t failAt_ = 0;
};

TEST(StreamDigest, DigestsTheWholeStreamAndRestoresThePosition) {
    MemoryStream stream(Pattern(10000));
    stream.Seek(5000);
    EXPECT_EQ(DigestToHex(StreamDigest(stream)), "941546D1C333E2F0D9EFD902E5CB94B7");
    EXPECT_EQ(stream.Position(), 5000);
}

TEST(StreamDigest, StopsAtTheSizeTakenAtTheStartAndAtAnEarlyEnd) {
    MemoryStream grown(Pattern(10000));
    grown.reportedSize_ = 4096;  // the stream grew after its size was taken
    EXPECT_EQ(DigestToHex(StreamDigest(grown)), "D105289F5617C241F52A191C6B2FC809");

    MemoryStream shrunk(Pattern(4095));
    shrunk.reportedSize_ = 10000;  // the stream shrank: the first empty read ends it
    EXPECT_EQ(DigestToHex(StreamDigest(shrunk)), "53DE317667CA40D9642E2D859BFBFD16");
}

TEST(StreamDigest, ARaisingReadLeavesWithThePositionRestored) {
    MemoryStream stream(Pattern(300000));
    stream.failAt_ = 150000;
    stream.Seek(123);
    EXPECT_THROW(StreamDigest(stream), std::runtime_error);
    EXPECT_EQ(stream.Position(), 123);
}

TEST(DigestsEqual, ComparesEveryByte) {
    Md5Digest a{};
    for (std::size_t i = 0; i < a.size(); ++i) a[i] = static_cast<std::uint8_t>(i * 17);
    Md5Digest b = a;
    EXPECT_TRUE(DigestsEqual(a, a));
    EXPECT_TRUE(DigestsEqual(a, b));
    b[15] ^= 1;
    EXPECT_FALSE(DigestsEqual(a, b));
    b = a;
    b[0] ^= 0x80;
    EXPECT_FALSE(DigestsEqual(a, b));
}

}  // namespace
}  // namespace vu

#ifdef _WIN32
namespace vu {
namespace {

// The digest is never taken of a file that another writer holds open.
TEST(FileDigest, RaisesForAFileOpenForWritingElsewhere) {
    const test::TempFolder folder;
    test::WriteFileBytes(folder / "busy", "data");
    auto writer = platform::File::Open(folder / "busy", platform::FileAccess::Write,
                                       platform::FileShare::ReadWrite, platform::FileCreation::OpenExisting);
    EXPECT_THROW(FileDigest(folder / "busy"), platform::SystemError);
}

}  // namespace
}  // namespace vu
#endif
