#include "serve/Site.h"

#include "core/Version.h"
#include "results/HtmlResults.h"
#include "results/IofXml.h"
#include "serve/Encode.h"
#include "serve/Pages.h"

#include <mutex>
#include <tuple>
#include <unordered_map>

namespace quilo {

using namespace serve;

struct Site::ClassParts {
    std::uint64_t version = 0; // when the class last changed
    std::string name;
    std::shared_ptr<const SiteBody> page, json;
    std::string screen, speaker;
    DeflatePiece screenGzip, speakerGzip;
    ClassCounts counts;
    int count = 0;
    std::vector<Finisher> latest;
    std::vector<CompetitorVersion> competitors; // in the class's order
    std::vector<int> slots;                     // the competitors' slots, alike
};

struct Site::Exports {
    std::shared_ptr<const ResultsSnapshot> snapshot; // the one the export serial moved at
    std::uint64_t version = 0;
    std::once_flag made;
    SiteBody xml, html;
};

namespace {

// A class's bodies and parts are compressed once per change of the class; the exports,
// the largest bodies, at zlib's fastest level.
constexpr int kExportLevel = 1;
// A class's bodies are compressed again at each change of the class: a level that keeps
// the largest class's few milliseconds, within a fifth of the best size.
constexpr int kClassLevel = 3;
constexpr std::size_t kSpeakerLatest = 30;

SiteBody MakeBody(std::string contentType, std::string plain, std::uint64_t version, int level) {
    SiteBody body{std::move(contentType), std::move(plain), {}, version};
    body.gzip = Gzip(body.plain, level);
    if (body.gzip.size() >= body.plain.size()) body.gzip.clear();
    return body;
}

// A page over every class: its frame and the classes' parts between, the gzip form
// joined from the parts' pieces, so that only the frame is compressed again.
SiteBody JoinedBody(const PageFrame& frame, const std::vector<const std::string*>& parts,
                    const std::vector<const DeflatePiece*>& pieces, std::uint64_t version) {
    SiteBody body{"text/html; charset=utf-8", frame.head, {}, version};
    for (const std::string* part : parts) body.plain += *part;
    body.plain += frame.tail;
    const DeflatePiece head = Deflate(frame.head, kClassLevel), tail = Deflate(frame.tail, kClassLevel);
    std::vector<const DeflatePiece*> all;
    all.reserve(pieces.size() + 2);
    all.push_back(&head);
    all.insert(all.end(), pieces.begin(), pieces.end());
    all.push_back(&tail);
    body.gzip = JoinGzip(all.data(), all.size());
    if (body.gzip.size() >= body.plain.size()) body.gzip.clear();
    return body;
}

std::shared_ptr<const SiteBody> Shared(SiteBody body) { return std::make_shared<const SiteBody>(std::move(body)); }

constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kJson = "application/json; charset=utf-8";

// What every page shows besides its classes; the moment is not among it.
bool SamePageDetails(const ResultsSnapshot& a, const ResultsSnapshot& b) {
    const auto day = [](const LocalDate& d) { return std::tuple(d.year, d.month, d.day, d.utcOffsetMinutes); };
    return a.info.eventName == b.info.eventName && day(a.info.eventDate) == day(b.info.eventDate) &&
           a.info.limit == b.info.limit && a.info.creator == b.info.creator &&
           a.info.startListIncomplete == b.info.startListIncomplete && a.complete == b.complete;
}

// The parts of a changed class; each competitor keeps the version it last changed at
// when `before` (the class's parts in the site before) has it with the same JSON.
std::shared_ptr<const Site::ClassParts> MakeParts(const ResultsSnapshot& snap, int c, std::uint64_t version,
                                                  const Site::ClassParts* before, bool& lostOne) {
    const ClassResult& cls = snap.classes[static_cast<std::size_t>(c)];
    const ClassView view = MakeClassView(snap.info, cls, c);
    auto parts = std::make_shared<Site::ClassParts>();
    parts->version = version;
    parts->name = cls.name;
    parts->counts = view.counts;
    parts->count = static_cast<int>(view.rows.size());
    std::unordered_map<int, const Site::CompetitorVersion*> old;
    if (before)
        for (std::size_t i = 0; i < before->slots.size(); ++i) old.emplace(before->slots[i], &before->competitors[i]);
    std::size_t kept = 0;
    for (const RowView& row : view.rows) {
        Site::CompetitorVersion cv{CompetitorJson(view, row), version};
        const auto it = old.find(row.cr->slot);
        if (it != old.end()) {
            ++kept;
            if (it->second->json == cv.json) cv.changedAt = it->second->changedAt;
        }
        parts->competitors.push_back(std::move(cv));
        parts->slots.push_back(row.cr->slot);
    }
    // A competitor gone from the class cannot be told as a change.
    if (before && kept < before->slots.size()) lostOne = true;
    parts->page = Shared(MakeBody(kHtml, ClassPage(snap, view, version), version, kClassLevel));
    parts->json = Shared(MakeBody(kJson, ClassJson(view, parts->competitors, version), version, kClassLevel));
    parts->screen = ScreenPart(view);
    parts->speaker = SpeakerPart(view);
    parts->screenGzip = Deflate(parts->screen, kClassLevel);
    parts->speakerGzip = Deflate(parts->speaker, kClassLevel);
    parts->latest = LatestFinishers(view, kSpeakerLatest);
    return parts;
}

// The static files, alike for every site.
const std::map<std::string, std::shared_ptr<const SiteBody>, std::less<>>& StaticBodies() {
    static const std::map<std::string, std::shared_ptr<const SiteBody>, std::less<>> bodies = {
        {"/app.js", Shared(MakeBody("text/javascript; charset=utf-8", std::string(ScriptFile()), 0, 9))},
        {"/style.css", Shared(MakeBody("text/css; charset=utf-8", std::string(StyleFile()), 0, 9))},
    };
    return bodies;
}

} // namespace

std::shared_ptr<const Site> Site::Build(std::shared_ptr<const ResultsSnapshot> snap,
                                        const std::shared_ptr<const Site>& previous) {
    auto site = std::make_shared<Site>();
    const ResultsSnapshot& s = *snap;
    site->snapshot_ = std::move(snap);
    const std::uint64_t version = s.serial;
    // A site of a later version (another event, a restart) has nothing to give.
    const Site* before = previous && previous->Version() <= version ? previous.get() : nullptr;
    const bool samePage = before && SamePageDetails(before->Snapshot(), s);
    const std::size_t classes = s.classes.size();

    bool lostOne = !before || before->classes_.size() > classes;
    bool changed = !samePage || before->classes_.size() != classes;
    site->classes_.resize(classes);
    for (std::size_t c = 0; c < classes; ++c) {
        const ClassParts* old = before && c < before->classes_.size() ? before->classes_[c].get() : nullptr;
        if (old && old->name != s.classes[c].name) old = nullptr;
        if (samePage && old && before->Snapshot().classes[c] == s.classes[c]) {
            site->classes_[c] = before->classes_[c];
            continue;
        }
        changed = true;
        site->classes_[c] = MakeParts(s, static_cast<int>(c), version, old, lostOne);
    }
    site->baseline_ = lostOne ? version : before->baseline_;

    const bool sameExports = before && before->Snapshot().exportSerial == s.exportSerial;
    site->exports_ = sameExports ? before->exports_ : std::make_shared<Exports>();
    if (!sameExports) {
        site->exports_->snapshot = site->snapshot_;
        site->exports_->version = version;
    }

    if (!changed) {
        // Only the moment moved: every page reads the same.
        site->bodies_ = before->bodies_;
        return site;
    }

    std::vector<ClassLine> lines;
    std::vector<const std::string*> screenParts, speakerParts;
    std::vector<const DeflatePiece*> screenPieces, speakerPieces;
    std::vector<const std::vector<Finisher>*> latest;
    for (std::size_t c = 0; c < classes; ++c) {
        const ClassParts& p = *site->classes_[c];
        lines.push_back({static_cast<int>(c), p.name, p.count, p.counts, p.version});
        screenParts.push_back(&p.screen);
        speakerParts.push_back(&p.speaker);
        screenPieces.push_back(&p.screenGzip);
        speakerPieces.push_back(&p.speakerGzip);
        latest.push_back(&p.latest);
        const std::string n = std::to_string(c);
        site->bodies_.emplace("/class/" + n, p.page);
        site->bodies_.emplace("/api/v1/class/" + n, p.json);
    }
    const std::vector<Finisher> newest = MergeLatest(latest, kSpeakerLatest);
    site->bodies_.emplace("/", Shared(MakeBody(kHtml, IndexPage(s, lines, version), version, kClassLevel)));
    site->bodies_.emplace("/api/v1/classes", Shared(MakeBody(kJson, ClassesJson(s, lines, version), version, kClassLevel)));
    site->bodies_.emplace("/screen", Shared(JoinedBody(ScreenFrame(s, newest, version), screenParts, screenPieces, version)));
    site->bodies_.emplace("/speaker",
                          Shared(JoinedBody(SpeakerFrame(s, newest, version), speakerParts, speakerPieces, version)));
    return site;
}

const SiteBody* Site::Find(std::string_view path) const {
    if (path == "/results.xml" || path == "/results.html") {
        // The exports are the largest bodies and change with nearly every result: made
        // when first asked for, not at every snapshot.
        Exports& e = *exports_;
        std::call_once(e.made, [&] {
            e.xml = MakeBody("application/xml; charset=utf-8", BuildIofResultList(*e.snapshot), e.version, kExportLevel);
            e.html = MakeBody(kHtml, BuildHtmlResults(*e.snapshot), e.version, kExportLevel);
        });
        return path == "/results.xml" ? &e.xml : &e.html;
    }
    const auto& statics = StaticBodies();
    if (const auto it = statics.find(path); it != statics.end()) return it->second.get();
    const auto it = bodies_.find(path);
    return it == bodies_.end() ? nullptr : it->second.get();
}

std::string Site::Changes(std::uint64_t since) const {
    const bool full = since < baseline_;
    std::string out = "{\"version\":";
    AppendDecimal(out, static_cast<std::int64_t>(Version()));
    out += ",\"since\":";
    AppendDecimal(out, static_cast<std::int64_t>(since));
    out += full ? ",\"full\":true,\"competitors\":[" : ",\"full\":false,\"competitors\":[";
    bool first = true;
    for (const auto& parts : classes_) {
        // A class unchanged since then holds no change.
        if (!full && parts->version <= since) continue;
        for (const CompetitorVersion& c : parts->competitors) {
            if (!full && c.changedAt <= since) continue;
            if (!first) out += ',';
            first = false;
            AppendWithVersion(out, c.json, c.changedAt);
        }
    }
    out += "]}\n";
    return out;
}

} // namespace quilo
