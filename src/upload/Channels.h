#pragma once
// What each kind of target is sent and what counts as taken. A channel is used by one
// thread only (its own); the uploader keeps the pauses and the history's lines.
#include "results/ResultsSnapshot.h"
#include "upload/Http.h"
#include "upload/Outbox.h"
#include "upload/Targets.h"
#include "upload/Uploader.h"

#include <memory>
#include <optional>
#include <string>

namespace quilo {

class TargetSender {
public:
    TargetSender(UploadTarget target, const std::string& outbox, HttpTimeouts timeouts, const std::atomic<bool>* stop)
        : target_(std::move(target)), box_(outbox + "/" + target_.Folder()), http_(timeouts, stop) {}
    virtual ~TargetSender() = default;
    const UploadTarget& Target() const { return target_; }
    // Makes the state to send from a snapshot, kept in the outbox as the one waiting;
    // false when the target already holds it.
    virtual bool Take(const ResultsSnapshot& snap) = 0;
    // Whether the outbox held a state the target had not taken (at start).
    virtual bool Waiting() const = 0;
    // Sends what waits: the failure's words, or nothing when the target took it all.
    virtual std::optional<std::string> Send() = 0;

protected:
    UploadTarget target_;
    OutboxFolder box_;
    HttpClient http_;
};

std::unique_ptr<TargetSender> MakeSender(const UploadTarget& target, const UploaderOptions& options,
                                         const std::atomic<bool>* stop);

} // namespace quilo
