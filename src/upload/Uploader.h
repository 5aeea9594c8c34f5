#pragma once
// Sends the results to the targets the settings name, on a thread of its own: the
// station only hands over its newest snapshot and never waits on the network. Several
// snapshots in a row are sent as the newest one; a failed send is tried again after a
// pause growing from 1 s to 60 s, and a newer snapshot replaces what waits. The event's
// Outbox/ keeps, per target, what waits and what the target accepted, so a restart (or
// a kill) sends what the target does not have yet.
#include "core/History.h"
#include "results/ResultsSnapshot.h"
#include "upload/Http.h"
#include "upload/Targets.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quilo {

// A file of the web host's static site, its path relative to the site's folder.
struct SiteFile {
    std::string path, contentType, bytes;
};
using SiteMaker = std::function<std::vector<SiteFile>(const ResultsSnapshot&)>;

struct UploaderOptions {
    std::string outbox; // the event folder's Outbox
    std::vector<UploadTarget> targets;
    SiteMaker site; // the web host's files
    HttpTimeouts timeouts;
    std::chrono::milliseconds firstPause{1000}, longestPause{60000};
    std::chrono::milliseconds remindEvery{std::chrono::minutes(10)};
    // At most one new state is made per target in this time: a busy finish is sent as
    // its newest state every two seconds, not rebuilt on every read.
    std::chrono::milliseconds settle{2000};
    // ...and only once no newer snapshot came for this long, so the work is done after
    // the station has drawn the read, not beside it (unless snapshots never pause).
    std::chrono::milliseconds quiet{100};
    // The sending threads run at a lower priority than the station's (the window).
    bool yieldToStation = false;
};

// What the history is to say, taken on the station's thread.
struct UploadNote {
    bool warning = false; // the warning line goes first
    std::string line;
};

class Uploader {
public:
    explicit Uploader(UploaderOptions options);
    // Ends at once, leaving what waits in the outbox for the next start.
    ~Uploader();
    Uploader(const Uploader&) = delete;
    Uploader& operator=(const Uploader&) = delete;

    bool HasTargets() const { return !channels_.empty(); }
    // Hands over the newest results; returns at once.
    void Publish(std::shared_ptr<const ResultsSnapshot> snapshot);
    // The history lines since the last call, oldest first.
    std::vector<UploadNote> TakeNotes();
    // Adds them to the history (on the history's thread).
    void ReportTo(History& history);

    struct TargetStatus {
        std::string name;
        bool upToDate = false; // holds the newest published state
        std::string reason;    // of the last failure, while behind
    };
    // Waits until every target holds the newest published state, or `limit` passed.
    bool WaitSent(std::chrono::milliseconds limit);
    std::vector<TargetStatus> Status() const;

    class Channel; // one target, on a thread of its own

private:
    void Note(UploadNote note);

    UploaderOptions options_;
    std::atomic<bool> stop_{false};
    std::mutex notesMutex_;
    std::vector<UploadNote> notes_;
    std::vector<std::unique_ptr<Channel>> channels_;
};

// The history's words for a target that is behind, and for its recovery.
std::string FailedLine(const std::string& name, const std::string& reason, std::chrono::minutes behind);
std::string SentLine(const std::string& name);

} // namespace quilo
