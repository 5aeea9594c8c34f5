#pragma once
// The live station's reading: follows the finish log as the card reader appends to it,
// reads it by itself when it changed, only up to its last whole line, and never while
// the operator is busy with the station. A last line left unfinished is never read by
// itself (a pressed read takes it); one that stays so is said once in the history. A
// station that follows the log (Station::FollowLog) reads only what was appended.
//
//   LiveReader live(station);            // after the start-up
//   live.isFree = [] { return !dialogOpen; };
//   watcher -> live.Notify(now);  timer every 250 ms -> live.Poll(now)
#include "station/Station.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quilo {

// What the reader compares to see whether the log changed.
struct LogSignature {
    bool exists = false;
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::string head;             // the first bytes, to see a log replaced
    std::uint64_t wholeBytes = 0; // up to and with the last line end
    bool operator==(const LogSignature& o) const {
        return exists == o.exists && size == o.size && mtimeNs == o.mtimeNs && head == o.head;
    }
};

// The log as it stands on disk.
LogSignature ProbeLog(const std::string& path);

class LiveReader {
public:
    using Probe = std::function<LogSignature(const std::string& path)>;
    // Milliseconds between the changes of a burst that still count as one.
    static constexpr std::int64_t kSettleMs = 50;
    // A change is read at the latest this long after it was first seen.
    static constexpr std::int64_t kLatestMs = 800;
    // A last line without its line end that stays unchanged this long is warned of.
    static constexpr std::int64_t kIncompleteWarnMs = 30000;

    explicit LiveReader(Station& station, Probe probe = ProbeLog);

    // The file watcher saw the folder or the log change: look now.
    std::int64_t Notify(std::int64_t nowMs) { return Poll(nowMs); }
    // Looks at the log and reads it when it changed and the station is free. Returns in
    // how many milliseconds a look is wanted again to read what waits (-1: none).
    std::int64_t Poll(std::int64_t nowMs);
    // True while a change waits for the station to be free (or for its burst to end).
    bool Pending() const { return pending_; }
    int Reads() const { return reads_; }

    // The station is free: no dialog open, no press in a list. Unset: always free.
    std::function<bool()> isFree;

private:
    void Done(const LogSignature& sig, std::uint64_t limit);
    // True when the log holds no whole line that the last read did not take.
    bool NothingNew(const LogSignature& sig) const;
    // Warns once of a last line that stays unfinished (the regular look comes back to it).
    void WatchIncomplete(const LogSignature& sig, std::int64_t nowMs);

    Station& station_;
    Probe probe_;
    std::string path_;
    LogSignature seen_;            // at the last look
    std::int64_t changedAtMs_ = 0; // when seen_ last changed
    std::optional<std::int64_t> pendingSinceMs_;
    LogSignature read_;           // as the last read found it
    std::uint64_t readLimit_ = 0; // bytes the last read took
    std::uint64_t serial_ = 0;    // the station's read count after our last look
    bool pending_ = false;
    bool incompleteWarned_ = false; // for the log as seen_ holds it
    int reads_ = 0;
};

} // namespace quilo
