#include "upload/Channels.h"

#include "results/IofStartList.h"
#include "results/IofXml.h"
#include "upload/Mop.h"

#include <set>
#include <vector>

namespace quilo {

namespace {

constexpr const char* kWaiting = "waiting";
constexpr const char* kAccepted = "accepted";

bool Success(const HttpReply& r) { return r.answered && r.status >= 200 && r.status < 300; }

std::string Why(const HttpReply& r) { return r.answered ? StatusText(r.status) : r.failure; }

// What a target accepted, file by file: path -> content hash.
Blobs LoadAccepted(const OutboxFolder& box) {
    const auto bytes = box.Read(kAccepted);
    auto blobs = bytes ? UnpackBlobs(*bytes) : std::nullopt;
    return blobs ? *blobs : Blobs{};
}

// A target that takes whole files: what waits is the files whose bytes the target
// does not hold yet.
class FileSender : public TargetSender {
public:
    FileSender(const UploadTarget& t, const UploaderOptions& o, const std::atomic<bool>* stop)
        : TargetSender(t, o.outbox, o.timeouts, stop), accepted_(LoadAccepted(box_)) {
        if (const auto bytes = box_.Read(kWaiting))
            if (auto blobs = UnpackBlobs(*bytes)) waiting_ = std::move(*blobs);
    }

    bool Waiting() const override { return !waiting_.empty(); }

protected:
    // The newest files: those the target holds already are left out.
    bool Offer(std::vector<std::pair<std::string, std::string>> files) {
        Blobs next;
        for (auto& [name, bytes] : files) {
            const auto it = accepted_.find(name);
            if (it == accepted_.end() || it->second != ContentHash(bytes)) next[name] = std::move(bytes);
        }
        if (next != waiting_) {
            waiting_ = std::move(next);
            if (waiting_.empty()) box_.Remove(kWaiting);
            else box_.Write(kWaiting, PackBlobs(waiting_));
        }
        return !waiting_.empty();
    }

    void Accepted(const std::string& name) {
        accepted_[name] = ContentHash(waiting_[name]);
        waiting_.erase(name);
    }

    // What the target took, kept once per round of sends (a file taken but not yet kept
    // is only sent again after a kill).
    std::optional<std::string> Keep(std::optional<std::string> failure) {
        box_.Write(kAccepted, PackBlobs(accepted_));
        if (waiting_.empty()) box_.Remove(kWaiting);
        return failure;
    }

    Blobs accepted_; // name -> hash of what the target holds
    Blobs waiting_;  // name -> bytes still to send
};

// The web host: a folder of static files, each replaced whole by a PUT to a temporary
// name and a MOVE over the old one (readers never see half a file); a host without
// MOVE gets the PUT straight to the name.
class WebSender : public FileSender {
public:
    WebSender(const UploadTarget& t, const UploaderOptions& o, const std::atomic<bool>* stop)
        : FileSender(t, o, stop), site_(o.site) {}

    bool Take(const ResultsSnapshot& snap) override {
        std::vector<std::pair<std::string, std::string>> files;
        if (site_)
            for (SiteFile& f : site_(snap)) files.emplace_back(std::move(f.path), std::move(f.bytes));
        return Offer(std::move(files));
    }

    std::optional<std::string> Send() override {
        if (!target_.problem.empty()) return target_.problem;
        // The class pages before the index that links them.
        std::vector<std::string> order;
        for (const auto& [path, bytes] : waiting_)
            if (path != "index.html") order.push_back(path);
        if (waiting_.count("index.html")) order.push_back("index.html");
        for (const std::string& path : order) {
            if (auto failure = Put(path, waiting_[path])) return Keep(std::move(failure));
            Accepted(path);
        }
        return Keep(std::nullopt);
    }

private:
    HttpRequest Request(const std::string& method, const std::string& path) const {
        HttpRequest r;
        r.method = method;
        r.url = target_.url + path;
        r.user = target_.user;
        r.password = target_.password;
        return r;
    }

    static std::string ContentType(const std::string& path) {
        const auto ends = [&](std::string_view e) { return path.size() >= e.size() && path.ends_with(e); };
        if (ends(".html")) return "text/html; charset=utf-8";
        if (ends(".xml")) return "application/xml; charset=utf-8";
        if (ends(".json")) return "application/json; charset=utf-8";
        if (ends(".css")) return "text/css; charset=utf-8";
        return "application/octet-stream";
    }

    std::optional<std::string> MakeFolders(const std::string& path) {
        for (std::size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1)) {
            const std::string folder = path.substr(0, slash + 1);
            if (folders_.count(folder)) continue;
            const HttpReply r = http_.Send(Request("MKCOL", folder));
            // 405: the folder is there already.
            if (!Success(r) && !(r.answered && r.status == 405)) return Why(r);
            folders_.insert(folder);
        }
        return std::nullopt;
    }

    std::optional<std::string> Put(const std::string& path, const std::string& bytes) {
        if (auto failure = MakeFolders(path)) return failure;
        const auto slash = path.rfind('/');
        const std::string temp =
            path.substr(0, slash + 1) + "." + path.substr(slash == std::string::npos ? 0 : slash + 1) + ".quilo-up";
        HttpRequest put = Request("PUT", noMove_ ? path : temp);
        put.headers.push_back("Content-Type: " + ContentType(path));
        put.body = bytes;
        HttpReply r = http_.Send(put);
        if (!Success(r)) return Why(r);
        if (noMove_) return std::nullopt;
        HttpRequest move = Request("MOVE", temp);
        move.headers.push_back("Destination: " + target_.url + path);
        move.headers.push_back("Overwrite: T");
        r = http_.Send(move);
        if (Success(r)) return std::nullopt;
        if (r.answered && (r.status == 405 || r.status == 501)) {
            // A host without MOVE: whole files straight to their names from now on.
            noMove_ = true;
            http_.Send(Request("DELETE", temp));
            return Put(path, bytes);
        }
        return Why(r);
    }

    SiteMaker site_;
    std::set<std::string> folders_;
    bool noMove_ = false;
};

// An IOF XML results service: the start list once (and again when it changes), the
// result list after every change, each POSTed whole.
class IofSender : public FileSender {
public:
    IofSender(const UploadTarget& t, const UploaderOptions& o, const std::atomic<bool>* stop) : FileSender(t, o, stop) {}

    bool Take(const ResultsSnapshot& snap) override {
        if (snap.exportSerial == exportSerial_ && exportSerial_ != 0) return !waiting_.empty();
        exportSerial_ = snap.exportSerial;
        return Offer({{"start.xml", BuildIofStartList(snap)}, {"results.xml", BuildIofResultList(snap)}});
    }

    std::optional<std::string> Send() override {
        if (!target_.problem.empty()) return target_.problem;
        for (const char* name : {"start.xml", "results.xml"}) {
            const auto it = waiting_.find(name);
            if (it == waiting_.end()) continue;
            HttpRequest r;
            r.url = target_.url;
            r.user = target_.user;
            r.password = target_.password;
            r.headers.push_back("Content-Type: application/xml; charset=utf-8");
            r.body = it->second;
            const HttpReply reply = http_.Send(r);
            if (!Success(reply)) return Keep(Why(reply));
            Accepted(name);
        }
        return Keep(std::nullopt);
    }

private:
    std::uint64_t exportSerial_ = 0;
};

// A MOP receiver: a MOPComplete first and after any answer but OK (the receiver's
// picture is then unknown), else a MOPDiff against what it last accepted.
class MopSender : public TargetSender {
public:
    static constexpr const char* kClubs = "clubs";
    static constexpr const char* kUnsure = "unsure";

    MopSender(const UploadTarget& t, const UploaderOptions& o, const std::atomic<bool>* stop)
        : TargetSender(t, o.outbox, o.timeouts, stop) {
        if (const auto bytes = box_.Read(kClubs)) clubs_ = mop::ClubIds::Load(*bytes);
        if (const auto bytes = box_.Read(kAccepted)) accepted_ = mop::Load(*bytes);
        if (const auto bytes = box_.Read(kWaiting)) waiting_ = mop::Load(*bytes);
        // Killed while a message was on its way: what the receiver holds is unknown.
        unsure_ = !accepted_ || box_.Has(kUnsure);
    }

    bool Take(const ResultsSnapshot& snap) override {
        const std::string clubsBefore = clubs_.Save();
        mop::Event now = mop::FromSnapshot(snap, clubs_);
        if (const std::string clubs = clubs_.Save(); clubs != clubsBefore) box_.Write(kClubs, clubs, true);
        if (!unsure_ && accepted_ && *accepted_ == now) {
            waiting_.reset();
            box_.Remove(kWaiting);
            return false;
        }
        if (!waiting_ || !(*waiting_ == now)) {
            box_.Write(kWaiting, mop::Save(now));
            waiting_ = std::move(now);
        }
        return true;
    }

    bool Waiting() const override { return waiting_.has_value() && (unsure_ || !accepted_ || !(*accepted_ == *waiting_)); }

    std::optional<std::string> Send() override {
        if (!target_.problem.empty()) return target_.problem;
        if (!waiting_) return std::nullopt;
        std::string body = unsure_ || !accepted_ ? mop::Complete(*waiting_) : mop::Diff(*accepted_, *waiting_);
        if (!body.empty()) {
            if (!unsure_) box_.Write(kUnsure, "", true);
            unsure_ = true;
            HttpRequest r;
            r.url = target_.url;
            r.headers = {"Content-Type: text/xml; charset=utf-8", "competition: " + target_.competition,
                         "pwd: " + target_.password};
            r.body = std::move(body);
            const HttpReply reply = http_.Send(r);
            if (!Success(reply)) return Why(reply);
            const auto status = mop::ReplyStatus(reply.body);
            if (!status) return "MOP の返答が読めません";
            if (*status != "OK") return "MOP " + *status;
        }
        box_.Write(kAccepted, mop::Save(*waiting_));
        box_.Remove(kUnsure);
        box_.Remove(kWaiting);
        unsure_ = false;
        accepted_ = std::move(waiting_);
        waiting_.reset();
        return std::nullopt;
    }

private:
    mop::ClubIds clubs_;
    std::optional<mop::Event> accepted_, waiting_;
    bool unsure_ = true;
};

} // namespace

std::unique_ptr<TargetSender> MakeSender(const UploadTarget& target, const UploaderOptions& options,
                                         const std::atomic<bool>* stop) {
    switch (target.kind) {
    case TargetKind::Web: return std::make_unique<WebSender>(target, options, stop);
    case TargetKind::Iof: return std::make_unique<IofSender>(target, options, stop);
    case TargetKind::Mop: return std::make_unique<MopSender>(target, options, stop);
    }
    return nullptr;
}

} // namespace quilo
