#pragma once
// An open file as a Stream. The handle is closed when the object goes; open failures raise
// SystemError unless TryOpen is used.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/stream.h"

namespace vu::platform {

enum class FileAccess { Read, Write, ReadWrite };

// What other openers may do while this one holds the file (Windows share modes; advisory
// nowhere else, so only the Windows build enforces them).
enum class FileShare { None, Read, ReadWrite };

enum class FileCreation {
    OpenExisting,  // fail when missing
    OpenAlways,    // create when missing, keep content
    CreateAlways,  // create or truncate
};

class File final : public Stream {
public:
    using Handle = std::intptr_t;

    static File Open(const std::string& path, FileAccess access, FileShare share,
                     FileCreation creation);
    // Like Open, but an open failure gives no file and leaves the OS error code in `error`.
    static std::optional<File> TryOpen(const std::string& path, FileAccess access,
                                       FileShare share, FileCreation creation,
                                       std::uint32_t& error);

    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() override;

    std::int64_t Size() override;
    std::int64_t Position() override;
    void Seek(std::int64_t position) override;
    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    void SeekToEnd();
    // Makes the data written so far durable on the disk, raising on failure.
    void Sync();
    // Closes now, raising when the close fails (a write that the OS deferred may fail here).
    void Close();

private:
    File(Handle handle, std::string path) : handle_(handle), path_(std::move(path)) {}
    void Release() noexcept;

    Handle handle_;
    std::string path_;
};

}  // namespace vu::platform
