#include "station/Follower.h"

#include "results/Identities.h"

namespace quilo {
namespace {

constexpr std::size_t kChangeFile = 2;
constexpr std::size_t kLog = 4;
const char* const kFileNames[] = {"Control.dat", "Startlst.dat", "Change.dat", kEntriesFile, "Regnly.log"};

} // namespace

Follower::Follower(std::string folder, Clock clock) : station_(std::move(folder), std::move(clock)) {}

Follower::Signatures Follower::Probe() const {
    Signatures sigs;
    for (std::size_t i = 0; i < kFiles; ++i) sigs[i] = ProbeLog(station_.PathOf(kFileNames[i]));
    return sigs;
}

void Follower::Start() {
    station_.ReadOnly(true);
    station_.FollowLog(true);
    // Spare cards are the finish PC's to assign; its records come with the change file.
    station_.SetSparePrompt([](int) { return SpareAnswer::Cancelled; });
    loaded_ = Probe();
    station_.Startup();
    live_ = std::make_unique<LiveReader>(station_);
}

bool Follower::ShouldReload(const Signatures& now, std::int64_t nowMs) {
    // The log appearing after the load counts as there from now on.
    if (now[kLog].exists) loaded_[kLog] = now[kLog];
    bool changed = false;
    for (std::size_t i = 0; i < kFiles; ++i) {
        // One that was loaded and is gone (or cannot be opened) now: the last results stay.
        if (loaded_[i].exists && !now[i].exists) return false;
        changed = changed || (i != kLog && !(now[i] == loaded_[i]));
    }
    if (!changed) return false;
    // A record still arriving over a network share: its line is read once whole. The
    // reload reads the whole log, so a card line being written waits too.
    auto cut = [](const LogSignature& sig) { return sig.exists && sig.wholeBytes < sig.size; };
    if (cut(now[kChangeFile]) || cut(now[kLog])) {
        if (!cutSinceMs_) cutSinceMs_ = nowMs;
        if (nowMs - *cutSinceMs_ < kCutLineWaitMs) return false;
    }
    return true;
}

void Follower::Poll(std::int64_t nowMs) {
    if (!live_) return;
    const Signatures now = Probe();
    if (ShouldReload(now, nowMs)) {
        station_.Reload();
        loaded_ = now;
        cutSinceMs_.reset();
        ++reloads_;
    }
    live_->Poll(nowMs);
}

} // namespace quilo
