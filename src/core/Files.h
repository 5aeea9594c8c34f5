#pragma once
// Whole-line file access in code page 932 with CR LF.
#include "core/Cp932.h"
#include "core/Result.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <sys/stat.h>

namespace quilo {

// Owns one open file descriptor: closed when it goes, so no path out of a function
// leaves one open.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(FileDescriptor&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& o) noexcept {
        if (this != &o) {
            Close();
            fd_ = std::exchange(o.fd_, -1);
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    explicit operator bool() const { return IsOpen(); }
    // Closes now; false (errno set) when the close failed (a write-back error).
    bool Close();

private:
    int fd_ = -1;
};

// Opens a regular file for reading without waiting: a FIFO at the path would block the
// open, and a device could feed one endless line. `st` gets what fstat told.
Result<FileDescriptor> OpenRegularForReading(const std::string& path, struct stat* st = nullptr);

// Streams the raw (undecoded) lines of a file. A line ends at CR LF, LF or CR; the
// last line needs no line end. Lines are read as they stand when the reader reaches
// them, so a file another program is appending to can be read at the same time.
class LineReader {
public:
    explicit LineReader(const std::string& path);
    // The same line rules over bytes already in memory (kept by the caller, not copied).
    struct Bytes {
        std::string_view data;
    };
    explicit LineReader(Bytes bytes);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    bool IsOpen() const { return fd_.IsOpen() || mem_ != nullptr; }
    // Why the file could not be opened, or why a read failed: a failed read ends the
    // lines, and the caller must not take them for the whole file.
    const Result<>& Status() const { return status_; }
    // The next line without its line end; false at the end of the file or at a failed read.
    bool Next(std::string_view& line);
    // Reads no byte past the first `bytes` of the file (a line cut there ends there).
    void LimitTo(std::uint64_t bytes);

private:
    bool Fill();
    const char* Base() const { return mem_ ? mem_ : buf_.data(); }
    FileDescriptor fd_;
    std::string path_;
    const char* mem_ = nullptr;
    Result<> status_;
    bool eof_ = false;
    std::uint64_t remaining_ = UINT64_MAX;
    std::vector<char> buf_;
    std::size_t begin_ = 0, end_ = 0;
};

// Every line of a CP932 file, decoded to UTF-8.
Result<std::vector<std::string>> ReadTextLines(const std::string& path);
// The same over bytes in memory; as UTF-8 (a byte order mark dropped) when told.
std::vector<std::string> TextLines(std::string_view bytes, TextEncoding encoding = TextEncoding::Cp932);
// The whole of a regular file, as it stands (opened as LineReader opens it).
Result<std::string> ReadFileBytes(const std::string& path);

// Appends one line (UTF-8 in, CP932 with CR LF out) and has it on stable storage
// before returning. A last line left without a line end is ended first, so the new
// line never glues onto it. Creates the file when missing.
Result<> AppendLineDurable(const std::string& path, std::string_view utf8Line);
// The same without waiting for stable storage (settings: lost defaults come back); the
// line is written in the file's own encoding when told.
Result<> AppendLine(const std::string& path, std::string_view utf8Line, TextEncoding encoding = TextEncoding::Cp932);

// Where an output is written piece by piece (a file being replaced, or a string).
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(std::string_view bytes) = 0;
};

class StringSink final : public ByteSink {
public:
    explicit StringSink(std::string& out) : out_(out) {}
    void Write(std::string_view bytes) override { out_.append(bytes); }

private:
    std::string& out_;
};

// A file replaced only once written whole, without holding it whole in memory: the
// pieces go through a small buffer to a temporary file beside it (locked while
// written), which Commit syncs (unless told not to) and renames over the file. After a
// failed write the later pieces are dropped and Commit reports the first failure;
// without Commit the temporary file is removed. Either way the old file stays as it was.
class FileReplacement final : public ByteSink {
public:
    explicit FileReplacement(std::string path);
    ~FileReplacement() override;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    void Write(std::string_view bytes) override;
    bool Failed() const { return !result_; }
    Result<> Commit(bool sync = true);

private:
    bool Flush();
    void Fail(int err);
    std::string path_, tmp_;
    FileDescriptor fd_;
    Result<> result_;
    std::string buffer_;
};

// Replaces a file with the given lines (CP932, each ended by CR LF) only once they are
// written whole: a temporary file beside it is written, synced and renamed over it.
Result<> ReplaceFile(const std::string& path, const std::vector<std::string>& utf8Lines);
// The same for bytes written as they are (the UTF-8 exports); without `sync`, a file a
// power cut may lose (it is still never seen half written).
Result<> ReplaceFileBytes(const std::string& path, std::string_view data, bool sync = true);

// A replacement is written to the file's name with this ending, then renamed over it.
inline constexpr const char* kTempSuffix = ".quilo-tmp";
// Removes the temporary files a killed replacement left in the folder (never one a
// running replacement still writes).
void RemoveLeftoverTemps(const std::string& folder);

// Creates an empty file when none exists (leaves an existing one alone).
Result<> CreateEmptyFile(const std::string& path);

} // namespace quilo
