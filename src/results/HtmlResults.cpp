#include "results/HtmlResults.h"

#include "results/Evaluation.h"
#include "results/LineParts.h"
#include "results/PageTemplate.h"
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
    kEventName, kEventDate, kUpdated, kStatusText, kComplete, kStartListIncomplete, kCreator, kClasses,
    kId, kClassName, kCount, kHasStatus, kRows,
    kPlace, kBib, kClub, kTime, kBehind, kStatus, kOut, kToStart, kStart, kNumber, kHasSplits, kSplits,
    kPos, kCode, kLeg, kElapsed, kMissing,
};
// A class's name and a competitor's share one name in the template: the row's hides
// the class's inside the rows.
constexpr std::array<std::string_view, 30> kNames = {
    "eventName", "eventDate", "updated", "statusText", "complete", "startListIncomplete", "creator", "classes",
    "id", "name", "count", "hasStatus", "rows",
    "place", "bib", "club", "time", "behind", "status", "out", "toStart", "start", "number", "hasSplits", "splits",
    "pos", "code", "leg", "elapsed", "missing",
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

// Running times as h:mm:ss; legs and split times short, m:ss below the hour.
void AppendClock(std::string& out, std::int64_t s, bool shortForm) {
    if (s < 0) {  // only from odd data: the form printf always gave it
        char buf[48];
        if (shortForm) std::snprintf(buf, sizeof buf, "%lld:%02lld", static_cast<long long>(s / 60), static_cast<long long>(s % 60));
        else std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", static_cast<long long>(s / 3600), static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
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

// The place as the results file shows it: blank over the time limit, else the number,
// else "参考" for a reference result.
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

// A start time as the clock reads: seconds only when the start list has them.
std::string StartText(Time t) { return TimeOfDay(t).s != 0 ? FormatHhNnSs(t) : FormatHhNn(t); }

// Not started by the export's clock and without a result: the XML's Inactive.
bool StillToStart(const EntryRecord& r, Time now) { return StateOf(r) == CompetitorState::NotReturned && r.StartTime > now; }

// The status column, as the lists word it; blank for one still to start, whose row
// shows the start time instead.
std::string_view StatusText(const EntryRecord& r, Time limit, Time now) {
    switch (StateOf(r)) {
    case CompetitorState::Absent: return "欠席";
    case CompetitorState::NotReturned: return StillToStart(r, now) ? std::string_view() : "未帰還";
    case CompetitorState::Coded: return r.Status;
    case CompetitorState::Provisional:
    case CompetitorState::Confirmed: break;
    }
    if (r.Reference) return "参考";
    if (IsOverTimeLimit(r, limit)) return "時間超過";
    return {};
}

bool Flag(bool set, const Each& each) {
    if (set) each(nullptr);
    return true;
}

// One line of a competitor's splits.
struct SplitScope final : Scope {
    int position = 0;  // 0 for the finish
    int code = 0;
    bool punched = false;
    std::optional<Time> leg;
    Time elapsed;

    bool Value(int name, std::string& out) const override {
        switch (name) {
        case kPos: position ? AppendNumber(out, position) : void(out += 'F'); return true;
        case kCode: position ? AppendNumber(out, code) : void(out += "フィニッシュ"); return true;
        case kLeg: if (leg) AppendClock(out, leg->Seconds(), true); return true;
        case kElapsed: punched ? AppendClock(out, elapsed.Seconds(), true) : void(out += "欠落"); return true;
        default: return false;
        }
    }
    bool Section(int name, const Each& each) const override { return name == kMissing && Flag(!punched, each); }
};

void EachSplit(const Event& ev, int c, int n, const Each& each) {
    const int count = std::clamp(ev.ControlCount[c], 0, kPositions);
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
    for (int p = 1; p <= count; ++p)
        if (PositionHasCode(ev, c, p)) add(p, SplitCode(ev, c, n, p), Punched(ev, n, p), ev.PunchTimes[n][p]);
    const Time finish = ev.PunchTimes[n][kFinishPosition];
    add(0, 0, !finish.IsZero(), finish);
}

struct RowScope final : Scope {
    const Event& ev;
    const ExportInfo& info;
    int c;
    const EntryRecord& r;
    int n;
    std::optional<Time> best;

    RowScope(const Event& e, const ExportInfo& i, int cls, const EntryRecord& rec, int number, std::optional<Time> b)
        : ev(e), info(i), c(cls), r(rec), n(number), best(b) {}

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
        case kTime: if (Timed()) AppendClock(out, r.RunningTime.Seconds(), false); return true;
        case kBehind:
            if (r.Place != 0 && !IsOverTimeLimit(r, info.limit) && best && r.RunningTime > *best) {
                out += '+';
                AppendClock(out, (r.RunningTime - *best).Seconds(), true);
            }
            return true;
        case kStatus: out += StatusText(r, info.limit, info.now); return true;
        case kStart: if (StillToStart(r, info.now)) out += StartText(r.StartTime); return true;
        case kNumber: AppendNumber(out, n); return true;
        default: return false;
        }
    }

    bool Section(int name, const Each& each) const override {
        switch (name) {
        case kOut: return Flag(StateOf(r) == CompetitorState::NotReturned, each);
        case kToStart: return Flag(StillToStart(r, info.now), each);
        case kHasSplits: return Flag(r.CardRead && n >= 0, each);
        case kSplits:
            if (r.CardRead && n >= 0) EachSplit(ev, c, n, each);
            return true;
        default: return false;
        }
    }
};

struct ClassScope final : Scope {
    const Event& ev;
    const ExportInfo& info;
    const CompetitorNumbers& numbers;
    int c;
    // The rows and what their columns need, worked out when the class's section asks:
    // the class list at the top of the page needs only the names.
    mutable std::optional<std::vector<int>> slots;
    mutable std::optional<Time> best;
    mutable bool hasStatus = false;

    ClassScope(const Event& e, const ExportInfo& i, const CompetitorNumbers& num, int cls) : ev(e), info(i), numbers(num), c(cls) {}

    const std::vector<int>& Slots() const {
        if (slots) return *slots;
        slots = ExportOrder(ev, c);
        for (int s : *slots) {
            const EntryRecord& r = ev.Entries[c][s];
            // The leader: the best time among those placed and shown with their place.
            if (r.Place != 0 && !IsOverTimeLimit(r, info.limit) && (!best || r.RunningTime < *best)) best = r.RunningTime;
            // An empty status column is folded away on a phone, giving names the room.
            hasStatus = hasStatus || !StatusText(r, info.limit, info.now).empty();
        }
        return *slots;
    }

    bool Value(int name, std::string& out) const override {
        switch (name) {
        case kId: out += 'c'; AppendNumber(out, c + 1); return true;
        case kClassName: out += ev.ClassNames[c]; return true;
        case kCount: AppendNumber(out, SlotCount(ev, c)); return true;
        default: return false;
        }
    }

    bool Section(int name, const Each& each) const override {
        switch (name) {
        case kHasStatus: Slots(); return Flag(hasStatus, each);
        case kRows:
            for (int s : Slots()) {
                const RowScope row(ev, info, c, ev.Entries[c][s], numbers.Of(c, s), best);
                each(&row);
            }
            return true;
        default: return false;
        }
    }
};

struct PageScope final : Scope {
    const Event& ev;
    const ExportInfo& info;
    const CompetitorNumbers numbers;
    bool complete;

    PageScope(const Event& e, const ExportInfo& i) : ev(e), info(i), numbers(e), complete(!i.startListIncomplete) {
        for (int c = 0, classes = ev.ClassesInUse(); c < classes && complete; ++c)
            for (int s = 1, count = SlotCount(ev, c); s <= count && complete; ++s) {
                const CompetitorState state = StateOf(ev.Entries[c][s]);
                if (state == CompetitorState::NotReturned || state == CompetitorState::Provisional) complete = false;
            }
    }

    bool Value(int name, std::string& out) const override {
        switch (name) {
        case kEventName: out += info.eventName; return true;
        case kEventDate: out += IsoDate(info.eventDate); return true;
        case kUpdated: out += FormatHhNnSs(info.StampTime()); return true;
        case kStatusText: out += complete ? "確定" : "速報"; return true;
        case kCreator: out += info.creator; return true;
        default: return false;
        }
    }

    bool Section(int name, const Each& each) const override {
        switch (name) {
        case kComplete: return Flag(complete, each);
        case kStartListIncomplete: return Flag(info.startListIncomplete, each);
        case kClasses:
            for (int c = 0, classes = ev.ClassesInUse(); c < classes; ++c) {
                const ClassScope cls(ev, info, numbers, c);
                each(&cls);
            }
            return true;
        default: return false;
        }
    }
};

} // namespace

void WriteHtmlResults(const Event& ev, const ExportInfo& info, ByteSink& out) {
    const PageScope page(ev, info);
    Page().Render(page, out);
}

std::string BuildHtmlResults(const Event& ev, const ExportInfo& info) {
    std::string out;
    StringSink sink(out);
    WriteHtmlResults(ev, info, sink);
    return out;
}

} // namespace quilo
