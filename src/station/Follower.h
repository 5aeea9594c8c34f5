#pragma once
// The follower: a station over an event folder that the finish PC's station keeps, for a
// second PC that serves the results pages. It shows what a start of that station would,
// and never writes into the folder: the finish log is read as the live station reads it,
// and the event is loaded again when the course file, the start list, the change file or
// the import's entries change. A file that goes missing (a network share that dropped)
// leaves the last results as they were until it is back.
//
//   Follower follower(folder);
//   follower.Start();
//   Subscription s = follower.Subscribe(handler);
//   timer every 250 ms -> follower.Poll(now)
#include "station/LiveReader.h"
#include "station/Station.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace quilo {

class Follower {
public:
    // A change file (or finish log) whose last line is still being written is loaded
    // once the line is whole, or at the latest this long after it was first seen cut.
    static constexpr std::int64_t kCutLineWaitMs = 3000;

    explicit Follower(std::string folder, Clock clock = SystemClock());

    // The station's start-up, following the log, leaving the folder as it is and
    // cancelling every spare-card question.
    void Start();
    // Looks at the files (every 250 ms): reads what was appended to the finish log and
    // loads the event again when one of its other files changed.
    void Poll(std::int64_t nowMs);

    [[nodiscard]] Subscription Subscribe(SnapshotHandler handler) { return station_.Subscribe(std::move(handler)); }
    const Station& Followed() const { return station_; }
    // For lines of the program's own (the uploader's), which a reload may cut back.
    History& OperationHistory() { return station_.OperationHistory(); }
    // How often the event was loaded again since the start.
    int Reloads() const { return reloads_; }

private:
    // Control.dat, Startlst.dat, Change.dat, Entries.xml, then the finish log (whose
    // changes the live reader follows; here only whether it is there).
    static constexpr std::size_t kFiles = 5;
    using Signatures = std::array<LogSignature, kFiles>;
    Signatures Probe() const;
    bool ShouldReload(const Signatures& now, std::int64_t nowMs);

    Station station_;
    std::unique_ptr<LiveReader> live_;
    Signatures loaded_;                      // as the last load found the files
    std::optional<std::int64_t> cutSinceMs_; // when the change file was first seen cut
    int reloads_ = 0;
};

} // namespace quilo
