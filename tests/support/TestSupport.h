#pragma once
// Helpers shared by the tests: scratch folders and CP932 files built from UTF-8 lines.
#include <string>
#include <vector>

namespace quilo::test {

// A fresh empty folder under the system temp folder, removed when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    // Path of a file inside the folder.
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Writes the lines as CP932, each ended by CR LF (the last one too unless told otherwise).
void WriteCp932(const std::string& path, const std::vector<std::string>& lines, bool endLastLine = true);
// Raw bytes of a file ("" when missing).
std::string ReadBytes(const std::string& path);
// The lines of a CP932 file, decoded to UTF-8; CR LF line ends are required and checked.
std::vector<std::string> ReadCp932Lines(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

} // namespace quilo::test
