#include "results/HtmlResults.h"

#include "results/Evaluation.h"
#include "results/LineParts.h"
#include "results/PageTemplate.h"
#include "results/PageText.h"
#include "results/ResultsPageTemplate.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <optional>

namespace quilo {
namespace {

using Scope = PageTemplate::Scope;
using Each = std::function<void(const Scope*)>;

// The names the template uses, by index.
enum Name {
    kEventName,
    kEventDate,
    kUpdated,
    kStatusText,
    kComplete,
    kStartListIncomplete,
    kCreator,
    kClasses,
    kId,
    kClassName,
    kCount,
    kHasStatus,
    kRows,
    kPlace,
    kBib,
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
};
// A class's name and a competitor's share one name in the template: the row's hides
// the class's inside the rows.
constexpr std::array<std::string_view, 30> kNames = {
    "eventName", "eventDate", "updated", "statusText", "complete", "startListIncomplete",
    "creator",   "classes",   "id",      "name",       "count",    "hasStatus",
    "rows",      "place",     "bib",     "club",       "time",     "behind",
    "status",    "out",       "toStart", "start",      "number",   "hasSplits",
    "splits",    "pos",       "code",    "leg",        "elapsed",  "missing",
};
constexpr int kRowName = kClassName;

const PageTemplate& Page() {
    static const PageTemplate page(embedded::kResultsPage, kNames);
    return page;
}

void AppendNumber(std::string& out, long long v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

void AppendTwoDigits(std::string& out, long long v) {
    out += static_cast<char>('0' + v / 10);
    out += static_cast<char>('0' + v % 10);
}

} // namespace

namespace pagetext {

void AppendClock(std::string& out, std::int64_t s, bool shortForm) {
    if (s < 0) { // only from odd data: the form printf always gave it
        char buf[48];
        if (shortForm)
            std::snprintf(buf, sizeof buf, "%lld:%02lld", static_cast<long long>(s / 60), static_cast<long long>(s % 60));
        else
            std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                          static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
        out += buf;
        return;
    }
    if (shortForm && s < 3600) {
        AppendNumber(out, s / 60);
    } else {
        AppendNumber(out, s / 3600);
        out += ':';
        AppendTwoDigits(out, s / 60 % 60);
    }
    out += ':';
    AppendTwoDigits(out, s % 60);
}

void AppendPlace(std::string& out, const EntryRecord& r, Time limit) {
    if (IsOverTimeLimit(r, limit)) return;
    std::string piece;
    {
        parts::LineWriter w(piece);
        parts::PlacePiece(w, r);
    }
    const auto b = piece.find_first_not_of(' ');
    if (b != std::string::npos) out.append(piece, b, piece.find_last_not_of(' ') - b + 1);
}

std::string StartText(Time t) { return TimeOfDay(t).s != 0 ? FormatHhNnSs(t) : FormatHhNn(t); }

std::string_view StatusWord(const EntryRecord& r, Time limit, bool toStart) {
    switch (StateOf(r)) {
    case CompetitorState::Absent: return "欠席";
    case CompetitorState::NotReturned: return toStart ? std::string_view() : "未帰還";
    case CompetitorState::Coded: return r.Status;
    case CompetitorState::Provisional:
    case CompetitorState::Confirmed: break;
    }
    if (r.Reference) return "参考";
    if (IsOverTimeLimit(r, limit)) return "時間超過";
    return {};
}

} // namespace pagetext

namespace {

using pagetext::AppendClock;
using pagetext::AppendPlace;
using pagetext::StartText;

// Not started by the export's clock and without a result: the XML's Inactive.
bool StillToStart(const EntryRecord& r, Time now) { return StateOf(r) == CompetitorState::NotReturned && r.StartTime > now; }

// The status column, as the lists word it; blank for one still to start, whose row
// shows the start time instead.
std::string_view StatusText(const EntryRecord& r, Time limit, Time now) {
    return pagetext::StatusWord(r, limit, StillToStart(r, now));
}

bool Flag(bool set, const Each& each) {
    if (set) each(nullptr);
    return true;
}

// One line of a competitor's splits.
struct SplitScope final : Scope {
    int position = 0; // 0 for the finish
    int code = 0;
    bool punched = false;
    std::optional<Time> leg;
    Time elapsed;

    bool Value(int name, std::string& out) const override {
        switch (name) {
        case kPos: position ? AppendNumber(out, position) : void(out += 'F'); return true;
        case kCode: position ? AppendNumber(out, code) : void(out += "フィニッシュ"); return true;
        case kLeg:
            if (leg) AppendClock(out, leg->Seconds(), true);
            return true;
        case kElapsed: punched ? AppendClock(out, elapsed.Seconds(), true) : void(out += "欠落"); return true;
        default: return false;
        }
    }
    bool Section(int name, const Each& each) const override { return name == kMissing && Flag(!punched, each); }
};

void EachSplit(const ClassResult& cls, const CompetitorResult& cr, const Each& each) {
    // The leg needs both ends: after a missing position it stays blank.
    std::optional<Time> previous = Time();
    SplitScope split;
    auto add = [&](int position, int code, bool punched, Time elapsed) {
        split.position = position;
        split.code = code;
        split.punched = punched;
        split.elapsed = elapsed;
        split.leg = punched && previous && elapsed >= *previous ? std::optional<Time>(elapsed - *previous) : std::nullopt;
        each(&split);
        previous = punched ? std::optional<Time>(elapsed) : std::nullopt;
    };
    // A position without a code is left out; the next leg runs from the one before it.
    for (const SplitTime& p : cls.SplitsOf(cr)) add(p.position, p.code, p.punched, p.time);
    add(0, 0, !cr.finish.IsZero(), cr.finish);
}

struct RowScope final : Scope {
    const ExportInfo& info;
    const ClassResult& cls;
    const CompetitorResult& cr;
    const EntryRecord& r;
    std::optional<Time> best;

    RowScope(const ExportInfo& i, const ClassResult& c, const CompetitorResult& rec, std::optional<Time> b)
        : info(i), cls(c), cr(rec), r(rec.record), best(b) {}

    bool Timed() const {
        const CompetitorState state = StateOf(r);
        return state == CompetitorState::Provisional || state == CompetitorState::Confirmed;
    }

    bool Value(int name, std::string& out) const override {
        switch (name) {
        case kPlace: AppendPlace(out, r, info.limit); return true;
        case kBib: AppendNumber(out, r.BibNumber); return true;
        case kRowName: out += r.Name; return true;
        case kClub: out += r.Club; return true;
        case kTime:
            if (Timed()) AppendClock(out, r.RunningTime.Seconds(), false);
            return true;
        case kBehind:
            if (r.Place != 0 && !IsOverTimeLimit(r, info.limit) && best && r.RunningTime > *best) {
                out += '+';
                AppendClock(out, (r.RunningTime - *best).Seconds(), true);
            }
            return true;
        case kStatus: out += StatusText(r, info.limit, info.now); return true;
        case kStart:
            if (StillToStart(r, info.now)) out += StartText(r.StartTime);
            return true;
        case kNumber: AppendNumber(out, cr.number); return true;
        default: return false;
        }
    }

    bool Section(int name, const Each& each) const override {
        switch (name) {
        case kOut: return Flag(StateOf(r) == CompetitorState::NotReturned, each);
        case kToStart: return Flag(StillToStart(r, info.now), each);
        case kHasSplits: return Flag(cr.HasSplits(), each);
        case kSplits:
            if (cr.HasSplits()) EachSplit(cls, cr, each);
            return true;
        default: return false;
        }
    }
};

struct ClassScope final : Scope {
    const ExportInfo& info;
    const ClassResult& cls;
    int c;
    // What the rows' columns need, worked out when the class's section asks: the class
    // list at the top of the page needs only the names.
    mutable bool worked = false;
    mutable std::optional<Time> best;
    mutable bool hasStatus = false;

    ClassScope(const ExportInfo& i, const ClassResult& cl, int index) : info(i), cls(cl), c(index) {}

    void WorkOut() const {
        if (worked) return;
        worked = true;
        for (const CompetitorResult& cr : cls.competitors) {
            const EntryRecord& r = cr.record;
            // The leader: the best time among those placed and shown with their place.
            if (r.Place != 0 && !IsOverTimeLimit(r, info.limit) && (!best || r.RunningTime < *best)) best = r.RunningTime;
            // An empty status column is folded away on a phone, giving names the room.
            hasStatus = hasStatus || !StatusText(r, info.limit, info.now).empty();
        }
    }

    bool Value(int name, std::string& out) const override {
        switch (name) {
        case kId:
            out += 'c';
            AppendNumber(out, c + 1);
            return true;
        case kClassName: out += cls.name; return true;
        case kCount: AppendNumber(out, static_cast<long long>(cls.competitors.size())); return true;
        default: return false;
        }
    }

    bool Section(int name, const Each& each) const override {
        switch (name) {
        case kHasStatus: WorkOut(); return Flag(hasStatus, each);
        case kRows:
            WorkOut();
            for (const CompetitorResult& cr : cls.competitors) {
                const RowScope row(info, cls, cr, best);
                each(&row);
            }
            return true;
        default: return false;
        }
    }
};

struct PageScope final : Scope {
    const ResultsSnapshot& snap;
    const ExportInfo& info;

    explicit PageScope(const ResultsSnapshot& s) : snap(s), info(s.info) {}

    bool Value(int name, std::string& out) const override {
        switch (name) {
        case kEventName: out += info.eventName; return true;
        case kEventDate: out += IsoDate(info.eventDate); return true;
        case kUpdated: out += FormatHhNnSs(info.now); return true;
        case kStatusText: out += snap.complete ? "確定" : "速報"; return true;
        case kCreator: out += info.creator; return true;
        default: return false;
        }
    }

    bool Section(int name, const Each& each) const override {
        switch (name) {
        case kComplete: return Flag(snap.complete, each);
        case kStartListIncomplete: return Flag(info.startListIncomplete, each);
        case kClasses:
            for (std::size_t c = 0; c < snap.classes.size(); ++c) {
                const ClassScope cls(info, snap.classes[c], static_cast<int>(c));
                each(&cls);
            }
            return true;
        default: return false;
        }
    }
};

} // namespace

void WriteHtmlResults(const ResultsSnapshot& snap, ByteSink& out) {
    const PageScope page(snap);
    Page().Render(page, out);
}

std::string BuildHtmlResults(const ResultsSnapshot& snap) {
    std::string out;
    StringSink sink(out);
    WriteHtmlResults(snap, sink);
    return out;
}

} // namespace quilo
