#pragma once
// Whole-line file access in code page 932 with CR LF.
#include "core/Cp932.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace quilo {

// Outcome of every operation on a file, read or write: ok, or the path and what went
// wrong. The words the operator reads are made above this layer (station/Messages.h).
struct IoResult {
    enum class Problem {
        None,
        System,         // `error` holds the errno value
        NotRegularFile, // a FIFO, a device or the like stands at the path
        NoPath,         // no path was set for an output
    };
    bool ok = true;
    std::string path;
    Problem problem = Problem::None;
    int error = 0;

    explicit operator bool() const { return ok; }
    static IoResult Ok(std::string p = {}) { return {true, std::move(p), Problem::None, 0}; }
    static IoResult FromErrno(std::string p, int err) { return {false, std::move(p), Problem::System, err}; }
    static IoResult Fail(std::string p, Problem why) { return {false, std::move(p), why, 0}; }
};

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

    bool IsOpen() const { return fd_ >= 0 || mem_ != nullptr; }
    // Why the file could not be opened (ok when it is open).
    const IoResult& OpenResult() const { return open_; }
    // The next line without its line end; false at the end of the file.
    bool Next(std::string_view& line);
    // Reads no byte past the first `bytes` of the file (a line cut there ends there).
    void LimitTo(std::uint64_t bytes);

private:
    bool Fill();
    const char* Base() const { return mem_ ? mem_ : buf_.data(); }
    int fd_ = -1;
    const char* mem_ = nullptr;
    IoResult open_;
    bool eof_ = false;
    std::uint64_t remaining_ = UINT64_MAX;
    std::vector<char> buf_;
    std::size_t begin_ = 0, end_ = 0;
};

// Every line of a CP932 file, decoded to UTF-8.
IoResult ReadTextLines(const std::string& path, std::vector<std::string>& lines);
// The same over bytes in memory; as UTF-8 (a byte order mark dropped) when told.
std::vector<std::string> TextLines(std::string_view bytes, TextEncoding encoding = TextEncoding::Cp932);
// The whole of a regular file, as it stands (opened as LineReader opens it).
IoResult ReadFileBytes(const std::string& path, std::string& bytes);

// Appends one line (UTF-8 in, CP932 with CR LF out) and has it on stable storage
// before returning. A last line left without a line end is ended first, so the new
// line never glues onto it. Creates the file when missing.
IoResult AppendLineDurable(const std::string& path, std::string_view utf8Line);
// The same without waiting for stable storage (settings: lost defaults come back); the
// line is written in the file's own encoding when told.
IoResult AppendLine(const std::string& path, std::string_view utf8Line, TextEncoding encoding = TextEncoding::Cp932);

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
// written), which Commit syncs and renames over the file. After a failed write the
// later pieces are dropped and Commit reports the first failure; without Commit the
// temporary file is removed. Either way the old file stays as it was.
class FileReplacement final : public ByteSink {
public:
    explicit FileReplacement(std::string path);
    ~FileReplacement() override;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    void Write(std::string_view bytes) override;
    bool Failed() const { return !result_; }
    IoResult Commit();

private:
    bool Flush();
    void Fail(int err);
    std::string path_, tmp_;
    int fd_ = -1;
    IoResult result_;
    std::string buffer_;
};

// Replaces a file with the given lines (CP932, each ended by CR LF) only once they are
// written whole: a temporary file beside it is written, synced and renamed over it.
IoResult ReplaceFile(const std::string& path, const std::vector<std::string>& utf8Lines);
// The same for bytes written as they are (the UTF-8 exports).
IoResult ReplaceFileBytes(const std::string& path, std::string_view data);

// A replacement is written to the file's name with this ending, then renamed over it.
inline constexpr const char* kTempSuffix = ".quilo-tmp";
// Removes the temporary files a killed replacement left in the folder (never one a
// running replacement still writes).
void RemoveLeftoverTemps(const std::string& folder);

// Creates an empty file when none exists (leaves an existing one alone).
IoResult CreateEmptyFile(const std::string& path);

} // namespace quilo
