#include "serve/Pages.h"

#include "results/Evaluation.h"
#include "results/PageTemplate.h"
#include "results/PageText.h"
#include "serve/Encode.h"
#include "serve/web/ClassPage.h"
#include "serve/web/IndexPage.h"
#include "serve/web/Screen.h"
#include "serve/web/ScreenClass.h"
#include "serve/web/Script.h"
#include "serve/web/Speaker.h"
#include "serve/web/SpeakerOut.h"
#include "serve/web/Style.h"

#include <algorithm>
#include <array>
#include <functional>

namespace quilo::serve {
namespace {

using Scope = PageTemplate::Scope;
using Each = std::function<void(const Scope*)>;

// The names every template of the site uses, by index.
enum Name {
    kEventName,
    kEventDate,
    kStatusText,
    kCreator,
    kVersion,
    kStartListIncomplete,
    kClasses,
    kIndex,
    kClassName,
    kCount,
    kFinished,
    kOutCount,
    kToStartCount,
    kAbsent,
    kHasStatus,
    kRows,
    kPlace,
    kBib,
    kName,
    kClub,
    kTime,
    kBehind,
    kStatus,
    kOut,
    kToStart,
    kStart,
    kNumber,
    kHasSplits,
    kSplits,
    kPos,
    kCode,
    kLeg,
    kElapsed,
    kMissing,
    kLatest,
    kFinishAt,
    kLeader,
    kHasOut,
    kOutNow,
    kBack,
    kStartTime,
    kLive,
    kRoot,
};
constexpr std::array<std::string_view, 43> kNames = {
    "eventName",    "eventDate", "statusText", "creator",   "version",   "startListIncomplete",
    "classes",      "index",     "className",  "count",     "finished",  "outCount",
    "toStartCount", "absent",    "hasStatus",  "rows",      "place",     "bib",
    "name",         "club",      "time",       "behind",    "status",    "out",
    "toStart",      "start",     "number",     "hasSplits", "splits",    "pos",
    "code",         "leg",       "elapsed",    "missing",   "latest",    "finishAt",
    "leader",       "hasOut",    "outNow",     "back",      "startTime", "live",
    "root",
};

// A page with a marker where the parts of the classes go: the template before it and
// the one after.
struct SplitPage {
    PageTemplate head, tail;
    SplitPage(std::string_view text, std::string_view marker)
        : head(text.substr(0, text.find(marker)), kNames), tail(text.substr(text.find(marker) + marker.size()), kNames) {}
};

// Every template of the site, made on first use.
struct Templates {
    PageTemplate index{embedded::kIndexPage, kNames};
    PageTemplate cls{embedded::kClassPage, kNames};
    PageTemplate screenClass{embedded::kScreenClass, kNames};
    PageTemplate speakerOut{embedded::kSpeakerOut, kNames};
    SplitPage screen{embedded::kScreen, "<!--@classes-->\n"};
    SplitPage speaker{embedded::kSpeaker, "<!--@out-->\n"};
};

const Templates& Pages() {
    static const Templates templates;
    return templates;
}

void AppendInt(std::string& out, long long v) { AppendDecimal(out, v); }

bool Flag(bool set, const Each& each) {
    if (set) each(nullptr);
    return true;
}

std::string Render(const PageTemplate& page, const Scope& root) {
    std::string out;
    StringSink sink(out);
    page.Render(root, sink);
    return out;
}

// One line of a competitor's splits, as the results page shows it.
struct SplitLine {
    int position = 0; // 0 for the finish
    int code = 0;
    bool punched = false;
    std::optional<Time> leg;
    Time elapsed;
};

template <class F>
void EachSplit(const ClassResult& cls, const CompetitorResult& cr, F&& each) {
    // The leg needs both ends: after a missing position it stays blank.
    std::optional<Time> previous = Time();
    auto add = [&](int position, int code, bool punched, Time elapsed) {
        SplitLine line{position, code, punched, std::nullopt, elapsed};
        if (punched && previous && elapsed >= *previous) line.leg = elapsed - *previous;
        each(line);
        previous = punched ? std::optional<Time>(elapsed) : std::nullopt;
    };
    for (const SplitTime& p : cls.SplitsOf(cr)) add(p.position, p.code, p.punched, p.time);
    add(0, 0, !cr.finish.IsZero(), cr.finish);
}

void AppendLeg(std::string& out, const SplitLine& s) {
    if (s.leg) pagetext::AppendClock(out, s.leg->Seconds(), true);
}

void AppendElapsed(std::string& out, const SplitLine& s) {
    if (s.punched) pagetext::AppendClock(out, s.elapsed.Seconds(), true);
    else out += "欠落";
}

struct SplitScope final : Scope {
    SplitLine line;
    bool Value(int name, std::string& out) const override {
        switch (name) {
        case kPos: line.position ? AppendInt(out, line.position) : void(out += 'F'); return true;
        case kCode: line.position ? AppendInt(out, line.code) : void(out += "フィニッシュ"); return true;
        case kLeg: AppendLeg(out, line); return true;
        case kElapsed: AppendElapsed(out, line); return true;
        default: return false;
        }
    }
    bool Section(int name, const Each& each) const override { return name == kMissing && Flag(!line.punched, each); }
};

bool CountsValue(const ClassCounts& c, int name, std::string& out) {
    switch (name) {
    case kFinished: AppendInt(out, c.finished); return true;
    case kOutCount: AppendInt(out, c.out); return true;
    case kToStartCount: AppendInt(out, c.toStart); return true;
    case kAbsent: AppendInt(out, c.absent); return true;
    default: return false;
    }
}

struct RowScope final : Scope {
    const ClassView& view;
    const RowView& row;
    RowScope(const ClassView& v, const RowView& r) : view(v), row(r) {}

    bool Value(int name, std::string& out) const override {
        const EntryRecord& r = row.cr->record;
        switch (name) {
        case kPlace: out += row.place; return true;
        case kBib: AppendInt(out, r.BibNumber); return true;
        case kName: out += r.Name; return true;
        case kClub: out += r.Club; return true;
        case kTime: out += row.time; return true;
        case kBehind: out += row.behind; return true;
        case kStatus: out += row.status; return true;
        case kStart: out += row.start; return true;
        case kStartTime: out += pagetext::StartText(r.StartTime); return true;
        case kNumber: AppendInt(out, row.cr->number); return true;
        default: return false;
        }
    }

    bool Section(int name, const Each& each) const override {
        switch (name) {
        case kOut: return Flag(row.standing == Standing::Out || row.standing == Standing::ToStart, each);
        case kToStart: return Flag(row.standing == Standing::ToStart, each);
        case kOutNow: return Flag(row.standing == Standing::Out, each);
        case kBack: return Flag(row.standing == Standing::Finished, each);
        case kHasSplits: return Flag(row.cr->HasSplits(), each);
        case kSplits: {
            // Asked inside hasSplits only.
            SplitScope split;
            EachSplit(*view.cls, *row.cr, [&](const SplitLine& line) {
                split.line = line;
                each(&split);
            });
            return true;
        }
        default: return false;
        }
    }
};

struct ClassScope final : Scope {
    const ClassView& view;
    explicit ClassScope(const ClassView& v) : view(v) {}

    bool Value(int name, std::string& out) const override {
        switch (name) {
        case kIndex: AppendInt(out, view.index); return true;
        case kClassName: out += view.cls->name; return true;
        case kCount: AppendInt(out, static_cast<long long>(view.rows.size())); return true;
        default: return CountsValue(view.counts, name, out);
        }
    }

    bool Section(int name, const Each& each) const override {
        switch (name) {
        case kHasStatus: return Flag(view.hasStatus, each);
        case kHasOut: return Flag(view.counts.out > 0, each);
        case kRows:
            for (const RowView& row : view.rows) {
                const RowScope scope(view, row);
                each(&scope);
            }
            return true;
        default: return false;
        }
    }
};

struct LineScope final : Scope {
    const ClassLine& line;
    explicit LineScope(const ClassLine& l) : line(l) {}
    bool Value(int name, std::string& out) const override {
        switch (name) {
        case kIndex: AppendInt(out, line.index); return true;
        case kClassName: out += line.name; return true;
        case kCount: AppendInt(out, line.count); return true;
        default: return CountsValue(line.counts, name, out);
        }
    }
};

struct FinisherScope final : Scope {
    const Finisher& f;
    explicit FinisherScope(const Finisher& finisher) : f(finisher) {}
    bool Value(int name, std::string& out) const override {
        switch (name) {
        case kFinishAt: out += FormatHhNnSs(f.at); return true;
        case kIndex: AppendInt(out, f.classIndex); return true;
        case kClassName: out += f.className; return true;
        case kPlace: out += f.place; return true;
        case kName: out += f.name; return true;
        case kClub: out += f.club; return true;
        case kTime: out += f.time; return true;
        case kBehind: out += f.behind; return true;
        case kLeader: out += f.leader; return true;
        case kStatus: out += f.status; return true;
        default: return false;
        }
    }
};

// The page-wide values; the lists of a page as it has them.
struct PageScope final : Scope {
    const ResultsSnapshot& snap;
    std::uint64_t version;
    const std::vector<ClassLine>* classes = nullptr;
    const std::vector<Finisher>* latest = nullptr;
    std::size_t latestLimit = 0;
    const ClassView* view = nullptr; // the class page's class
    // A page the server gives (its script, its version) or a file of the static copy,
    // whose links are relative to where the file lies.
    bool live = true;
    std::string_view root = "/";

    PageScope(const ResultsSnapshot& s, std::uint64_t v) : snap(s), version(v) {}

    bool Value(int name, std::string& out) const override {
        switch (name) {
        case kEventName: out += snap.info.eventName; return true;
        case kEventDate: out += IsoDate(snap.info.eventDate); return true;
        case kStatusText: out += snap.complete ? "確定" : "速報"; return true;
        case kCreator: out += snap.info.creator; return true;
        case kVersion: AppendDecimal(out, static_cast<std::int64_t>(version)); return true;
        case kRoot: out += root; return true;
        default: return view && ClassScope(*view).Value(name, out);
        }
    }

    bool Section(int name, const Each& each) const override {
        switch (name) {
        case kStartListIncomplete: return Flag(snap.info.startListIncomplete, each);
        case kLive: return Flag(live, each);
        case kClasses:
            for (const ClassLine& line : *classes) {
                const LineScope scope(line);
                each(&scope);
            }
            return true;
        case kLatest:
            for (std::size_t i = 0; i < latest->size() && i < latestLimit; ++i) {
                const FinisherScope scope((*latest)[i]);
                each(&scope);
            }
            return true;
        default: return view && ClassScope(*view).Section(name, each);
        }
    }
};

} // namespace

ClassView MakeClassView(const ExportInfo& info, const ClassResult& cls, int index) {
    ClassView view;
    view.cls = &cls;
    view.index = index;
    // The leader: the best time among those placed and shown with their place.
    for (const CompetitorResult& cr : cls.competitors) {
        const EntryRecord& r = cr.record;
        if (r.Place != 0 && !IsOverTimeLimit(r, info.limit) && (!view.leader || r.RunningTime < *view.leader))
            view.leader = r.RunningTime;
    }
    view.rows.reserve(cls.competitors.size());
    for (const CompetitorResult& cr : cls.competitors) {
        const EntryRecord& r = cr.record;
        RowView& row = view.rows.emplace_back();
        row.cr = &cr;
        const CompetitorState state = StateOf(r);
        // The snapshot's `started` is the results page's "start after the clock".
        if (state == CompetitorState::Absent) row.standing = Standing::Absent;
        else if (HasResult(r) || r.CardRead) row.standing = Standing::Finished;
        else row.standing = cr.started ? Standing::Out : Standing::ToStart;
        switch (row.standing) {
        case Standing::Finished: ++view.counts.finished; break;
        case Standing::Out: ++view.counts.out; break;
        case Standing::ToStart: ++view.counts.toStart; break;
        case Standing::Absent: ++view.counts.absent; break;
        }
        const bool toStart = state == CompetitorState::NotReturned && !cr.started;
        pagetext::AppendPlace(row.place, r, info.limit);
        if (state == CompetitorState::Provisional || state == CompetitorState::Confirmed)
            pagetext::AppendClock(row.time, r.RunningTime.Seconds(), false);
        if (r.Place != 0 && !IsOverTimeLimit(r, info.limit) && view.leader && r.RunningTime > *view.leader) {
            row.behind = '+';
            pagetext::AppendClock(row.behind, (r.RunningTime - *view.leader).Seconds(), true);
        }
        row.status = pagetext::StatusWord(r, info.limit, toStart);
        view.hasStatus = view.hasStatus || !row.status.empty();
        if (toStart) row.start = pagetext::StartText(r.StartTime);
        if (state != CompetitorState::Absent && state != CompetitorState::NotReturned) {
            if (!cr.finish.IsZero()) row.finishAt = r.StartTime + cr.finish;
            else if (!r.RunningTime.IsZero()) row.finishAt = r.StartTime + r.RunningTime;
        }
    }
    return view;
}

namespace {

bool Newer(const Finisher& a, const Finisher& b) {
    if (a.at != b.at) return a.at > b.at;
    if (a.classIndex != b.classIndex) return a.classIndex < b.classIndex;
    return a.order < b.order;
}

} // namespace

std::vector<Finisher> LatestFinishers(const ClassView& view, std::size_t limit) {
    std::vector<Finisher> out;
    std::string leader;
    if (view.leader) pagetext::AppendClock(leader, view.leader->Seconds(), false);
    for (std::size_t i = 0; i < view.rows.size(); ++i) {
        const RowView& row = view.rows[i];
        if (!row.finishAt) continue;
        const EntryRecord& r = row.cr->record;
        out.push_back({*row.finishAt, view.index, static_cast<int>(i), view.cls->name, row.place, r.Name, r.Club, row.time,
                       row.behind, leader, row.status});
    }
    std::sort(out.begin(), out.end(), Newer);
    if (out.size() > limit) out.resize(limit);
    return out;
}

std::vector<Finisher> MergeLatest(const std::vector<const std::vector<Finisher>*>& lists, std::size_t limit) {
    std::vector<Finisher> out;
    for (const auto* list : lists) out.insert(out.end(), list->begin(), list->end());
    const std::size_t keep = std::min(limit, out.size());
    std::partial_sort(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(keep), out.end(), Newer);
    out.resize(keep);
    return out;
}

std::string ClassPage(const ResultsSnapshot& snap, const ClassView& view, std::uint64_t version) {
    PageScope page(snap, version);
    page.view = &view;
    return Render(Pages().cls, page);
}

std::string StaticClassPage(const ResultsSnapshot& snap, const ClassView& view) {
    PageScope page(snap, 0);
    page.view = &view;
    page.live = false;
    page.root = "../";
    return Render(Pages().cls, page);
}

std::string ScreenPart(const ClassView& view) { return Render(Pages().screenClass, ClassScope(view)); }

std::string SpeakerPart(const ClassView& view) { return Render(Pages().speakerOut, ClassScope(view)); }

std::string IndexPage(const ResultsSnapshot& snap, const std::vector<ClassLine>& classes, std::uint64_t version) {
    PageScope page(snap, version);
    page.classes = &classes;
    return Render(Pages().index, page);
}

std::string StaticIndexPage(const ResultsSnapshot& snap, const std::vector<ClassLine>& classes) {
    PageScope page(snap, 0);
    page.classes = &classes;
    page.live = false;
    page.root = "";
    return Render(Pages().index, page);
}

PageFrame ScreenFrame(const ResultsSnapshot& snap, const std::vector<Finisher>& latest, std::uint64_t version) {
    PageScope page(snap, version);
    page.latest = &latest;
    page.latestLimit = 10;
    return {Render(Pages().screen.head, page), Render(Pages().screen.tail, page)};
}

PageFrame SpeakerFrame(const ResultsSnapshot& snap, const std::vector<Finisher>& latest, std::uint64_t version) {
    PageScope page(snap, version);
    page.latest = &latest;
    page.latestLimit = latest.size();
    return {Render(Pages().speaker.head, page), Render(Pages().speaker.tail, page)};
}

namespace {

void Field(std::string& out, const char* name) {
    out += '"';
    out += name;
    out += "\":";
}

void TextField(std::string& out, const char* name, std::string_view value) {
    Field(out, name);
    AppendJsonString(out, value);
    out += ',';
}

void NumberField(std::string& out, const char* name, std::int64_t value) {
    Field(out, name);
    AppendDecimal(out, value);
    out += ',';
}

void CountFields(std::string& out, const ClassCounts& c) {
    NumberField(out, "finished", c.finished);
    NumberField(out, "out", c.out);
    NumberField(out, "toStart", c.toStart);
    NumberField(out, "absent", c.absent);
}

const char* StandingWord(Standing s) {
    switch (s) {
    case Standing::Finished: return "finished";
    case Standing::Out: return "out";
    case Standing::ToStart: return "toStart";
    case Standing::Absent: break;
    }
    return "absent";
}

// Replaces the comma after the last field with the closing brace.
void Close(std::string& out, char brace) {
    if (out.back() == ',') out.back() = brace;
    else out += brace;
}

} // namespace

std::string CompetitorJson(const ClassView& view, const RowView& row) {
    const CompetitorResult& cr = *row.cr;
    const EntryRecord& r = cr.record;
    std::string out = "{";
    NumberField(out, "class", view.index);
    NumberField(out, "slot", cr.slot);
    NumberField(out, "bib", r.BibNumber);
    TextField(out, "name", r.Name);
    TextField(out, "club", r.Club);
    TextField(out, "card", cr.card);
    TextField(out, "start", FormatHhNnSs(r.StartTime));
    TextField(out, "standing", StandingWord(row.standing));
    TextField(out, "place", row.place);
    TextField(out, "time", row.time);
    NumberField(out, "seconds", row.time.empty() ? 0 : r.RunningTime.Seconds());
    TextField(out, "behind", row.behind);
    TextField(out, "status", row.status);
    TextField(out, "finishAt", row.finishAt ? FormatHhNnSs(*row.finishAt) : std::string());
    Field(out, "splits");
    out += '[';
    if (cr.HasSplits())
        EachSplit(*view.cls, cr, [&](const SplitLine& line) {
            out += '{';
            NumberField(out, "position", line.position);
            NumberField(out, "code", line.code);
            Field(out, "punched");
            out += line.punched ? "true," : "false,";
            std::string text;
            AppendLeg(text, line);
            TextField(out, "leg", text);
            text.clear();
            if (line.punched) AppendElapsed(text, line);
            TextField(out, "elapsed", text);
            Close(out, '}');
            out += ',';
        });
    Close(out, ']');
    out += '}';
    return out;
}

void AppendWithVersion(std::string& out, const std::string& json, std::uint64_t changedAt) {
    out.append(json, 0, json.size() - 1);
    out += ",\"changedAt\":";
    AppendDecimal(out, static_cast<std::int64_t>(changedAt));
    out += '}';
}

std::string ClassJson(const ClassView& view, const std::vector<Site::CompetitorVersion>& competitors,
                      std::optional<std::uint64_t> version) {
    std::string out = "{";
    if (version) NumberField(out, "version", static_cast<std::int64_t>(*version));
    NumberField(out, "index", view.index);
    TextField(out, "name", view.cls->name);
    NumberField(out, "count", static_cast<std::int64_t>(view.rows.size()));
    CountFields(out, view.counts);
    std::string leader;
    if (view.leader) pagetext::AppendClock(leader, view.leader->Seconds(), false);
    TextField(out, "leader", leader);
    out += "\"competitors\":[";
    for (const Site::CompetitorVersion& c : competitors) {
        if (version) AppendWithVersion(out, c.json, c.changedAt);
        else out += c.json;
        out += ',';
    }
    Close(out, ']');
    out += "}\n";
    return out;
}

std::string ClassesJson(const ResultsSnapshot& snap, const std::vector<ClassLine>& classes,
                        std::optional<std::uint64_t> version) {
    std::string out = "{";
    if (version) NumberField(out, "version", static_cast<std::int64_t>(*version));
    TextField(out, "event", snap.info.eventName);
    TextField(out, "date", IsoDate(snap.info.eventDate));
    Field(out, "complete");
    out += snap.complete ? "true," : "false,";
    Field(out, "startListIncomplete");
    out += snap.info.startListIncomplete ? "true," : "false,";
    out += "\"classes\":[";
    for (const ClassLine& line : classes) {
        out += '{';
        NumberField(out, "index", line.index);
        TextField(out, "name", line.name);
        NumberField(out, "count", line.count);
        CountFields(out, line.counts);
        if (version) NumberField(out, "version", static_cast<std::int64_t>(line.version));
        Close(out, '}');
        out += ',';
    }
    Close(out, ']');
    out += "}\n";
    return out;
}

std::string_view ScriptFile() { return embedded::kScript; }
std::string_view StyleFile() { return embedded::kStyle; }

} // namespace quilo::serve
