#pragma once
// A fresh folder for one test, removed with everything in it when the test ends. Its path is in
// the core's form (backslash separators, trailing backslash).

#include <string>

namespace vu::test {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    // Path of a name inside the folder.
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

// Writes bytes to a file, replacing it; reads a whole file ("" when missing).
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);

// Folder of the running test program, with its trailing backslash.
std::string ProgramFolder();

}  // namespace vu::test
