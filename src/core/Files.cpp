#include "core/Files.h"

#include "core/Cp932.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace quilo {

bool FileDescriptor::Close() {
    if (fd_ < 0) return true;
    return ::close(std::exchange(fd_, -1)) == 0;
}

Result<FileDescriptor> OpenRegularForReading(const std::string& path, struct stat* st) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) return Error::FromErrno(path, errno);
    struct stat own {};
    if (!st) st = &own;
    if (::fstat(fd.Get(), st) != 0 || !S_ISREG(st->st_mode)) return Error::Of(Error::Kind::NotRegularFile, path);
    return fd;
}

LineReader::LineReader(const std::string& path) : path_(path), buf_(64 * 1024) {
    Result<FileDescriptor> fd = OpenRegularForReading(path);
    if (fd) fd_ = std::move(*fd);
    else status_ = fd.Failure();
}

LineReader::LineReader(Bytes bytes) : mem_(bytes.data.data() ? bytes.data.data() : ""), eof_(true), end_(bytes.data.size()) {}

void LineReader::LimitTo(std::uint64_t bytes) {
    if (mem_) end_ = static_cast<std::size_t>(std::min<std::uint64_t>(end_, bytes));
    else remaining_ = bytes;
}

LineReader::~LineReader() = default;

bool LineReader::Fill() {
    if (eof_ || !fd_) return false;
    if (begin_ > 0) {
        std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (end_ == buf_.size()) buf_.resize(buf_.size() * 2);
    while (true) {
        const std::size_t room = static_cast<std::size_t>(std::min<std::uint64_t>(buf_.size() - end_, remaining_));
        ssize_t n = room == 0 ? 0 : ::read(fd_.Get(), buf_.data() + end_, room);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) status_ = Error::FromErrno(path_, errno);
        if (n <= 0) {
            eof_ = true;
            return false;
        }
        end_ += static_cast<std::size_t>(n);
        remaining_ -= static_cast<std::uint64_t>(n);
        return true;
    }
}

bool LineReader::Next(std::string_view& line) {
    if (!IsOpen()) return false;
    std::size_t scan = begin_;
    while (true) {
        const char* base = Base();
        const char* p = base + scan;
        const char* stop = base + end_;
        // Two vectorised searches instead of a byte loop: LF first, then CR before it.
        if (p < stop) {
            const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(stop - p)));
            const char* limit = lf ? lf : stop;
            const auto* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(limit - p)));
            p = cr ? cr : limit;
        }
        if (p < stop) {
            std::size_t pos = static_cast<std::size_t>(p - base);
            if (*p == '\r' && pos + 1 == end_ && !eof_) {
                // CR at the end of the buffer: see whether LF follows before deciding.
                std::size_t keep = pos - begin_;
                Fill(); // may move the buffer, so scan again from the CR
                scan = begin_ + keep;
                continue;
            }
            line = std::string_view(base + begin_, pos - begin_);
            std::size_t next = pos + 1;
            if (base[pos] == '\r' && next < end_ && base[next] == '\n') ++next;
            begin_ = next;
            return true;
        }
        std::size_t keep = end_ - begin_;
        if (!Fill()) {
            if (begin_ == end_ || !status_) return false;
            line = std::string_view(Base() + begin_, end_ - begin_);
            begin_ = end_;
            return true;
        }
        scan = begin_ + keep;
    }
}

Result<std::vector<std::string>> ReadTextLines(const std::string& path) {
    LineReader reader(path);
    std::vector<std::string> lines;
    std::string_view raw;
    while (reader.Next(raw)) lines.push_back(Cp932ToUtf8(raw));
    if (!reader.Status()) return reader.Status().Failure();
    return lines;
}

std::vector<std::string> TextLines(std::string_view bytes, TextEncoding encoding) {
    std::vector<std::string> lines;
    const bool utf8 = encoding == TextEncoding::Utf8;
    if (utf8 && HasUtf8Bom(bytes)) bytes.remove_prefix(kUtf8Bom.size());
    LineReader reader(LineReader::Bytes{bytes});
    std::string_view raw;
    while (reader.Next(raw)) lines.push_back(utf8 ? ValidUtf8(raw) : Cp932ToUtf8(raw));
    return lines;
}

Result<std::string> ReadFileBytes(const std::string& path) {
    Result<FileDescriptor> fd = OpenRegularForReading(path);
    if (!fd) return fd.Failure();
    std::string bytes;
    char chunk[64 * 1024];
    while (true) {
        ssize_t n = ::read(fd->Get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        // Bytes cut short by a failed read are no file's bytes.
        if (n < 0) return Error::FromErrno(path, errno);
        if (n == 0) break;
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
    return bytes;
}

namespace {

bool WriteAll(int fd, std::string_view data) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Best effort: the file itself is on stable storage already, and a folder that cannot
// be synced (some file systems refuse) must not fail the write.
void SyncFolder(const std::string& path) {
    const FileDescriptor dir(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) static_cast<void>(::fsync(dir.Get()));
}

} // namespace

namespace {

Result<> Append(const std::string& path, std::string_view utf8Line, bool durable, TextEncoding encoding) {
    FileDescriptor file(::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644));
    if (!file) return Error::FromErrno(path, errno);
    const int fd = file.Get();
    struct stat st {};
    if (::fstat(fd, &st) != 0) return Error::FromErrno(path, errno);
    // A FIFO would take the record away, or block once its buffer is full.
    if (!S_ISREG(st.st_mode))
        return S_ISDIR(st.st_mode) ? Error::FromErrno(path, EISDIR) : Error::Of(Error::Kind::NotRegularFile, path);
    bool created = st.st_size == 0;
    std::string data;
    if (st.st_size > 0) {
        char last = 0;
        if (::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n' && last != '\r') data += "\r\n";
    }
    data += encoding == TextEncoding::Utf8 ? ValidUtf8(utf8Line) : Utf8ToCp932(utf8Line);
    data += "\r\n";
    if (!WriteAll(fd, data) || (durable && ::fsync(fd) != 0)) {
        int err = errno;
        // Leave no partial record behind: cut the file back to where it stood (best
        // effort: the failure reported is the write's).
        if (::ftruncate(fd, st.st_size) == 0) static_cast<void>(::fsync(fd));
        return Error::FromErrno(path, err);
    }
    file.Close();
    if (created && durable) SyncFolder(path);
    return {};
}

} // namespace

Result<> AppendLineDurable(const std::string& path, std::string_view utf8Line) {
    return Append(path, utf8Line, true, TextEncoding::Cp932);
}

Result<> AppendLine(const std::string& path, std::string_view utf8Line, TextEncoding encoding) {
    return Append(path, utf8Line, false, encoding);
}

namespace {

// Pieces are gathered to this size before they go to the file: few system calls, and
// the memory stays small however large the file.
constexpr std::size_t kReplaceBuffer = 128 * 1024;

} // namespace

FileReplacement::FileReplacement(std::string path) : path_(std::move(path)), tmp_(path_ + kTempSuffix) {
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        result_ = Error::FromErrno(path_, EISDIR);
        return;
    }
    // Held locked while written, so a start-up's clean-up leaves it alone; one the
    // clean-up took away just before the lock is made again.
    for (int tries = 0; tries < 3; ++tries) {
        fd_ = FileDescriptor(::open(tmp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (!fd_) {
            result_ = Error::FromErrno(path_, errno);
            return;
        }
        struct stat own {};
        if (::flock(fd_.Get(), LOCK_EX) != 0 || ::fstat(fd_.Get(), &own) != 0 || own.st_nlink > 0) break;
        fd_.Close();
    }
    if (!fd_) {
        result_ = Error::FromErrno(path_, ENOENT);
        return;
    }
    buffer_.reserve(kReplaceBuffer);
}

FileReplacement::~FileReplacement() {
    if (fd_) {
        fd_.Close();
        ::unlink(tmp_.c_str());
    }
}

void FileReplacement::Fail(int err) {
    result_ = Error::FromErrno(path_, err);
    fd_.Close();
    ::unlink(tmp_.c_str());
    buffer_ = std::string();
}

bool FileReplacement::Flush() {
    if (!buffer_.empty() && !WriteAll(fd_.Get(), buffer_)) {
        Fail(errno);
        return false;
    }
    buffer_.clear();
    return true;
}

void FileReplacement::Write(std::string_view bytes) {
    if (!fd_) return;
    // A writer with a buffer of its own hands over large pieces: they go straight on.
    if (bytes.size() < kReplaceBuffer / 2) {
        if (buffer_.size() + bytes.size() > kReplaceBuffer && !Flush()) return;
        buffer_.append(bytes);
    } else if (Flush() && !WriteAll(fd_.Get(), bytes)) {
        Fail(errno);
    }
}

Result<> FileReplacement::Commit(bool sync) {
    if (!fd_) return result_;
    if (!Flush()) return result_;
    if (sync && ::fsync(fd_.Get()) != 0) {
        Fail(errno);
        return result_;
    }
    if (!fd_.Close() || ::rename(tmp_.c_str(), path_.c_str()) != 0) {
        result_ = Error::FromErrno(path_, errno);
        ::unlink(tmp_.c_str());
        return result_;
    }
    if (sync) SyncFolder(path_);
    return result_;
}

Result<> ReplaceFile(const std::string& path, const std::vector<std::string>& utf8Lines) {
    FileReplacement file(path);
    for (const auto& l : utf8Lines) {
        file.Write(Utf8ToCp932(l));
        file.Write("\r\n");
    }
    return file.Commit();
}

Result<> ReplaceFileBytes(const std::string& path, std::string_view data, bool sync) {
    FileReplacement file(path);
    file.Write(data);
    return file.Commit(sync);
}

void RemoveLeftoverTemps(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const std::string_view suffix = kTempSuffix;
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name.size() <= suffix.size() || name.substr(name.size() - suffix.size()) != suffix) continue;
        std::string path = folder + "/" + std::string(name);
        const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!fd) continue;
        struct stat held {
        }, named{};
        // A writer still at work holds the lock; the name must still be this file. A
        // leftover that cannot be removed stays harmless beside the file.
        if (::fstat(fd.Get(), &held) == 0 && S_ISREG(held.st_mode) && ::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0 &&
            ::lstat(path.c_str(), &named) == 0 && named.st_ino == held.st_ino && named.st_dev == held.st_dev)
            static_cast<void>(::unlink(path.c_str()));
    }
    ::closedir(dir);
}

Result<> CreateEmptyFile(const std::string& path) {
    // Without waiting: opening a FIFO for writing would block until someone reads it.
    const FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644));
    if (!fd) return Error::FromErrno(path, errno);
    struct stat st {};
    if (::fstat(fd.Get(), &st) == 0 && S_ISREG(st.st_mode)) return {};
    return Error::Of(Error::Kind::NotRegularFile, path);
}

} // namespace quilo
