#include "station/LiveReader.h"

#include "core/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace quilo {
namespace {

constexpr std::size_t kHeadBytes = 256;
constexpr std::size_t kTailChunk = 64 * 1024;

std::size_t ReadAt(int fd, char* buf, std::size_t size, std::uint64_t offset) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, buf + done, size - done, static_cast<off_t>(offset + done));
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

} // namespace

LogSignature ProbeLog(const std::string& path) {
    LogSignature sig;
    // Without waiting: a FIFO at the path must not hang the station.
    struct stat st {};
    const Result<FileDescriptor> file = OpenRegularForReading(path, &st);
    if (!file) return sig;
    const int fd = file->Get();
    sig.exists = true;
    sig.size = static_cast<std::uint64_t>(st.st_size);
    sig.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    sig.head.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kHeadBytes, sig.size)));
    sig.head.resize(ReadAt(fd, sig.head.data(), sig.head.size(), 0));
    // The last line end, searched backwards a chunk at a time.
    std::vector<char> chunk(kTailChunk);
    std::uint64_t end = sig.size;
    while (end > 0) {
        const std::uint64_t begin = end > kTailChunk ? end - kTailChunk : 0;
        const std::size_t got = ReadAt(fd, chunk.data(), static_cast<std::size_t>(end - begin), begin);
        const auto lf = std::find(std::make_reverse_iterator(chunk.begin() + static_cast<std::ptrdiff_t>(got)),
                                  std::make_reverse_iterator(chunk.begin()), '\n');
        if (lf != std::make_reverse_iterator(chunk.begin())) {
            sig.wholeBytes = begin + static_cast<std::uint64_t>(lf.base() - chunk.begin());
            break;
        }
        end = begin;
    }
    return sig;
}

LiveReader::LiveReader(Station& station, Probe probe)
    : station_(station), probe_(std::move(probe)), path_(station.PathOf("Regnly.log")) {
    // The start-up has read the whole log.
    read_ = seen_ = probe_(path_);
    readLimit_ = read_.size;
    serial_ = station_.ReadSerial();
}

void LiveReader::Done(const LogSignature& sig, std::uint64_t limit) {
    read_ = sig;
    readLimit_ = limit;
    pending_ = false;
    pendingSinceMs_.reset();
}

bool LiveReader::NothingNew(const LogSignature& sig) const {
    if (sig == read_ && readLimit_ >= sig.size) return true;
    // Only a last line in progress changed: the same whole lines, the log not cut.
    return sig.exists && read_.exists && sig.head == read_.head && sig.size >= read_.size && sig.wholeBytes <= readLimit_;
}

void LiveReader::WatchIncomplete(const LogSignature& sig, std::int64_t nowMs) {
    if (!sig.exists || sig.size <= sig.wholeBytes || incompleteWarned_) return;
    if (nowMs - changedAtMs_ < kIncompleteWarnMs) return;
    incompleteWarned_ = true;
    station_.OperationHistory().Warning(
        {"　Regnly.log の最後の行が書きかけのままです", "　（その行はまだ読み込んでいません）"});
}

std::int64_t LiveReader::Poll(std::int64_t nowMs) {
    if (station_.Reading()) return -1;
    const LogSignature sig = probe_(path_);
    if (station_.ReadSerial() != serial_) {
        // A pressed read took everything there was then; what came after it is not
        // known here, so the log is read again once it stands as the read found it.
        serial_ = station_.ReadSerial();
        if (sig == seen_) Done(sig, sig.size);
    }
    if (!(sig == seen_)) {
        seen_ = sig;
        changedAtMs_ = nowMs;
        incompleteWarned_ = false;
    }
    WatchIncomplete(sig, nowMs);
    // A line in progress is never read by itself: "0:4" of "0:45:10" reads as a finish
    // at 0:04:00 and would be published as a winner.
    if (NothingNew(sig)) {
        pending_ = false;
        pendingSinceMs_.reset();
        return -1;
    }
    pending_ = true;
    if (!pendingSinceMs_) pendingSinceMs_ = nowMs;
    if (isFree && !isFree()) return -1; // the regular look reads it once free
    // The lines of a burst are read together, but a change never waits long.
    if (nowMs - changedAtMs_ < kSettleMs && nowMs - *pendingSinceMs_ < kLatestMs) return kSettleMs - (nowMs - changedAtMs_);
    if (!sig.exists) {
        Done(sig, 0);
        return -1;
    }
    station_.AutoReadFinishLog(sig.wholeBytes);
    ++reads_;
    serial_ = station_.ReadSerial();
    Done(sig, sig.wholeBytes);
    return -1;
}

} // namespace quilo
