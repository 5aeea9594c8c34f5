#pragma once
// Helpers shared by the tests: scratch folders, CP932 files built from UTF-8 lines, the
// event files of a folder and golden files.
#include "core/History.h"
#include "core/LineWarnings.h"
#include "core/Result.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace quilo::test {

using Strings = std::vector<std::string>;

// What an operation came to, without its value: one shape for every file function.
template <class T>
Result<> Outcome(const Result<T>& r) {
    if (!r) return r.Failure();
    return {};
}
// A reader's warnings into the history, as the station puts them; the read passed on.
inline const Warnings& Into(History& history, const Warnings& warnings) {
    for (const auto& lines : warnings) history.Warning(lines);
    return warnings;
}
template <class T>
const Result<T>& Into(History& history, const Result<T>& read) {
    if (!read) return read;
    if constexpr (std::is_same_v<T, Warnings>) Into(history, *read);
    else Into(history, read->warnings);
    return read;
}
// The path an operation failed on; "" when it worked.
template <class T>
std::string FailedPath(const Result<T>& r) {
    return r ? std::string() : r.Failure().path;
}

// n blanks, for the padded columns of the lists and files.
inline std::string Sp(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

// A fresh empty folder under the system temp folder, removed when the object goes.
class TempDir {
public:
    TempDir();
    // Under `base` instead (a folder that exists).
    explicit TempDir(const std::string& base);
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
// /dev/shm when it can be written, else the system temp folder: scratch folders for tests
// that replace files many times, whose syncs cost nothing there.
std::string MemoryBackedTemp();

// The pieces between separators: "a\nb\n" split on "\n" is "a", "b" and "".
std::vector<std::string> SplitOn(const std::string& text, std::string_view separator);

// Raw bytes of a file ("" when missing).
std::string ReadBytes(const std::string& path);
// The lines of a CP932 file, decoded to UTF-8; CR LF line ends are required and checked.
std::vector<std::string> ReadCp932Lines(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
// The bytes WriteCp932 writes for the lines.
std::string Cp932Bytes(const Strings& lines, bool endLastLine = true);

// The four files an event folder starts from, as UTF-8 lines; a file without lines is
// not written.
struct EventFiles {
    Strings course = {};    // Control.dat
    Strings startList = {}; // Startlst.dat
    Strings changes = {};   // Change.dat
    Strings finishLog = {}; // Regnly.log
};
void WriteEventFiles(const TempDir& dir, const EventFiles& files);

// Path of a file under tests/data/golden.
std::string GoldenPath(const std::string& name);
// "" when the lines, written as CP932 with CR LF, are byte for byte the golden file;
// else what differs. With QUILO_UPDATE_GOLDEN=1 in the environment the golden file is
// rewritten from the lines instead.
std::string CompareWithGolden(const Strings& lines, const std::string& name);

} // namespace quilo::test
