#pragma once
// Loading a shared library at run time and looking up its procedures.
//
// Names follow the Windows form ("NyCoreNew.dll"). On Windows a bare name is found through the
// system's search order. On POSIX a bare name "X.dll" stands for "libX.so" (LibraryFileName),
// searched first in the running program's folder, as Windows does, then by the dynamic loader's
// own search; a name with a folder is loaded as given.

#include <optional>
#include <string>

namespace vu::platform {

class DynamicLibrary {
public:
    // The loaded library; none when it cannot be found or loaded.
    static std::optional<DynamicLibrary> Load(const std::string& name);

    DynamicLibrary(DynamicLibrary&& other) noexcept;
    DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;
    ~DynamicLibrary();

    // Address of the exported procedure or variable; null when the library has no such name.
    void* Symbol(const std::string& name) const;

private:
    explicit DynamicLibrary(void* handle) : handle_(handle) {}
    void Release() noexcept;
    void* handle_;
};

// The file name under which Load looks for the library of that name on this system.
std::string LibraryFileName(const std::string& name);

}  // namespace vu::platform
