#include "upload/Uploader.h"

#include "core/Files.h"
#include "upload/Channels.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <thread>

namespace quilo {

std::string FailedLine(const std::string& name, const std::string& reason, std::chrono::minutes behind) {
    std::string line = "　" + name + " に送信できませんでした（" + reason;
    if (behind.count() > 0) line += "、" + std::to_string(behind.count()) + "分間送信できていません";
    return line + "）";
}

std::string SentLine(const std::string& name) { return " (送信)" + name; }

class Uploader::Channel {
public:
    using Steady = std::chrono::steady_clock;

    Channel(Uploader& owner, UploadTarget target)
        : owner_(owner), target_(std::move(target)), name_(target_.Name()),
          lock_(owner.options_.outbox + "/" + target_.Folder()), pause_(owner.options_.firstPause) {
        Open();
        thread_ = std::thread([this] { Run(); });
    }

    ~Channel() {
        { std::lock_guard lock(mutex_); }
        wake_.notify_all();
        thread_.join();
    }

    void Offer(std::shared_ptr<const ResultsSnapshot> snap) {
        {
            std::lock_guard lock(mutex_);
            pending_ = std::move(snap);
            offered_ = Steady::now();
        }
        wake_.notify_all();
    }

    TargetStatus Status() const {
        std::lock_guard lock(mutex_);
        return {name_, !pending_ && !waiting_ && !taking_, behind_ ? reason_ : std::string()};
    }

private:
    const std::atomic<bool>& Stopping() const { return owner_.stop_; }

    // The target's outbox is this program's alone while it sends (another program on the
    // same event folder would send from a state it does not keep). What the outbox held
    // from the last run goes first, before any snapshot.
    bool Open() {
        if (!lock_.TryLock()) return false;
        RemoveLeftoverTemps(owner_.options_.outbox + "/" + target_.Folder()); // a kill's half-written file
        sender_ = MakeSender(target_, owner_.options_, &owner_.stop_);
        waiting_ = sender_->Waiting();
        return true;
    }

    void Run() {
        if (owner_.options_.yieldToStation) ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
        std::unique_lock lock(mutex_);
        while (!Stopping()) {
            const auto now = Steady::now();
            // A newer snapshot is taken once settled; meanwhile what waits is still sent.
            std::optional<Steady::time_point> takeAt;
            if (pending_ && sender_) {
                const UploaderOptions& o = owner_.options_;
                takeAt = std::max(taken_ + o.settle, std::min(offered_ + o.quiet, taken_ + 2 * o.settle));
                if (now >= *takeAt) {
                    taken_ = now;
                    const auto snap = std::move(pending_);
                    pending_.reset();
                    taking_ = true;
                    lock.unlock();
                    const bool waiting = sender_->Take(*snap);
                    lock.lock();
                    taking_ = false;
                    waiting_ = waiting;
                    continue;
                }
            }
            if (waiting_ && now >= due_) {
                lock.unlock();
                std::optional<std::string> failure;
                if (!sender_ && !Open()) failure = "ほかのプログラムがこの宛先に送信しています";
                else if (sender_) failure = sender_->Send();
                lock.lock();
                if (Stopping()) break; // an aborted send is no failure of the target's
                Settle(failure);
                continue;
            }
            auto until = Steady::time_point::max();
            if (takeAt) until = *takeAt;
            if (waiting_) until = std::min(until, due_);
            if (until == Steady::time_point::max()) wake_.wait(lock);
            else wake_.wait_until(lock, until);
        }
    }

    void Settle(const std::optional<std::string>& failure) {
        const auto now = Steady::now();
        const UploaderOptions& o = owner_.options_;
        if (!failure) {
            waiting_ = sender_->Waiting();
            pause_ = o.firstPause;
            due_ = now;
            if (behind_) owner_.Note({false, SentLine(name_)});
            behind_ = false;
            return;
        }
        reason_ = *failure;
        if (!behind_) {
            behind_ = true;
            since_ = reminded_ = now;
            owner_.Note({true, FailedLine(name_, reason_, std::chrono::minutes(0))});
        } else if (now - reminded_ >= o.remindEvery) {
            reminded_ = now;
            const auto behind = std::chrono::duration_cast<std::chrono::minutes>(now - since_);
            owner_.Note({true, FailedLine(name_, reason_, std::max(behind, std::chrono::minutes(1)))});
        }
        due_ = now + pause_;
        pause_ = std::min(pause_ * 2, o.longestPause);
    }

    Uploader& owner_;
    const UploadTarget target_;
    const std::string name_;
    OutboxLock lock_;
    std::unique_ptr<TargetSender> sender_; // once the outbox is this program's
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::shared_ptr<const ResultsSnapshot> pending_;
    bool waiting_ = true, taking_ = false;
    bool behind_ = false;
    std::string reason_;
    std::chrono::milliseconds pause_;
    Steady::time_point due_{}, since_{}, reminded_{}, taken_{}, offered_{};
    std::thread thread_;
};

Uploader::Uploader(UploaderOptions options) : options_(std::move(options)) {
    for (const UploadTarget& t : options_.targets) channels_.push_back(std::make_unique<Channel>(*this, t));
}

Uploader::~Uploader() {
    stop_ = true;
    channels_.clear();
}

void Uploader::Publish(std::shared_ptr<const ResultsSnapshot> snapshot) {
    if (!snapshot) return;
    for (auto& c : channels_) c->Offer(snapshot);
}

void Uploader::Note(UploadNote note) {
    std::lock_guard lock(notesMutex_);
    notes_.push_back(std::move(note));
}

std::vector<UploadNote> Uploader::TakeNotes() {
    std::lock_guard lock(notesMutex_);
    return std::exchange(notes_, {});
}

void Uploader::ReportTo(History& history) {
    for (const UploadNote& n : TakeNotes()) {
        if (n.warning) history.Warning({n.line});
        else history.Report(n.line);
    }
}

std::vector<Uploader::TargetStatus> Uploader::Status() const {
    std::vector<TargetStatus> out;
    for (const auto& c : channels_) out.push_back(c->Status());
    return out;
}

bool Uploader::WaitSent(std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto all = Status();
        if (std::all_of(all.begin(), all.end(), [](const TargetStatus& s) { return s.upToDate; })) return true;
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

} // namespace quilo
