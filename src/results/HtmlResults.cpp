#include "results/HtmlResults.h"

#include "results/Evaluation.h"
#include "results/LineParts.h"
#include "results/ResultsPageTemplate.h"

#include <kainjow/mustache.hpp>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace quilo {
namespace {

namespace mu = kainjow::mustache;

// Escaped for HTML; the control characters a file may carry (other than tab and line
// ends) are left out, as no page can show them.
std::string EscapeHtml(const std::string& s) {
    std::string kept;
    kept.reserve(s.size());
    for (char ch : s) {
        const auto u = static_cast<unsigned char>(ch);
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r') continue;
        kept += ch;
    }
    return mu::html_escape(kept);
}

std::string Trimmed(std::string s) {
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// The place as the results file shows it: blank over the time limit, else the number,
// else "参考" for a reference result.
std::string PlaceText(const EntryRecord& r, Time limit) {
    if (IsOverTimeLimit(r, limit)) return {};
    std::string out;
    {
        parts::LineWriter w(out);
        parts::PlacePiece(w, r);
    }
    return Trimmed(out);
}

// Running times as h:mm:ss; legs and split times short, m:ss below the hour.
std::string ClockText(std::int64_t s, bool shortForm) {
    char buf[32];
    if (shortForm && s < 3600) std::snprintf(buf, sizeof buf, "%lld:%02lld", static_cast<long long>(s / 60), static_cast<long long>(s % 60));
    else std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", static_cast<long long>(s / 3600), static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
    return buf;
}
std::string TimeText(Time t) { return ClockText(t.Seconds(), false); }
std::string ShortText(Time t) { return ClockText(t.Seconds(), true); }
// A start time as the clock reads: seconds only when the start list has them.
std::string StartText(Time t) { return TimeOfDay(t).s != 0 ? FormatHhNnSs(t) : FormatHhNn(t); }

// Not started by the export's clock and without a result: the XML's Inactive.
bool StillToStart(const EntryRecord& r, Time now) { return StateOf(r) == CompetitorState::NotReturned && r.StartTime > now; }

// The status column, as the lists word it; blank for one still to start, whose row
// shows the start time instead.
std::string StatusText(const EntryRecord& r, Time limit, Time now) {
    switch (StateOf(r)) {
    case CompetitorState::Absent: return "欠席";
    case CompetitorState::NotReturned: return StillToStart(r, now) ? std::string() : "未帰還";
    case CompetitorState::Coded: return r.Status;
    case CompetitorState::Provisional:
    case CompetitorState::Confirmed: break;
    }
    if (r.Reference) return "参考";
    if (IsOverTimeLimit(r, limit)) return "時間超過";
    return {};
}

// The library takes values by copy only; a page at capacity holds some hundred thousand
// values, so they are moved in place instead (the containers are the data's own).
void Append(mu::data& list, mu::data&& item) {
    const_cast<mu::basic_list<std::string>&>(list.list_value()).push_back(std::move(item));
}

mu::data& NewList(mu::data& object, const std::string& name) {
    object.set(name, mu::data(mu::data::type::list));
    return const_cast<mu::data&>(*object.get(name));
}

void Splits(mu::data& list, const Event& ev, int c, int n) {
    const int count = std::clamp(ev.ControlCount[c], 0, kPositions);
    // The leg needs both ends: after a missing position it stays blank.
    std::optional<Time> previous = Time();
    auto add = [&](const std::string& pos, const std::string& code, bool punched, Time elapsed) {
        mu::data row;
        row.set("pos", pos);
        row.set("code", code);
        const bool legKnown = punched && previous && elapsed >= *previous;
        row.set("leg", legKnown ? ShortText(elapsed - *previous) : std::string());
        row.set("elapsed", punched ? ShortText(elapsed) : std::string("欠落"));
        row.set("missing", !punched);
        Append(list, std::move(row));
        previous = punched ? std::optional<Time>(elapsed) : std::nullopt;
    };
    // A position without a code is left out; the next leg runs from the one before it.
    for (int p = 1; p <= count; ++p)
        if (PositionHasCode(ev, c, p))
            add(std::to_string(p), std::to_string(SplitCode(ev, c, n, p)), Punched(ev, n, p), ev.PunchTimes[n][p]);
    const Time finish = ev.PunchTimes[n][kFinishPosition];
    add("F", "フィニッシュ", !finish.IsZero(), finish);
}

} // namespace

std::string BuildHtmlResults(const Event& ev, const ExportInfo& info) {
    static mu::mustache page = [] {
        mu::mustache m{std::string(embedded::kResultsPage)};
        m.set_custom_escape(EscapeHtml);
        return m;
    }();

    const int classes = ev.ClassesInUse();
    const CompetitorNumbers numbers(ev);
    bool complete = !info.startListIncomplete;
    mu::data data;
    mu::data& classList = NewList(data, "classes");
    for (int c = 0; c < classes; ++c) {
        const std::vector<int> slots = ExportOrder(ev, c);
        // The leader: the best time among those placed and shown with their place.
        std::optional<Time> best;
        for (int s : slots) {
            const EntryRecord& r = ev.Entries[c][s];
            if (r.Place != 0 && !IsOverTimeLimit(r, info.limit) && (!best || r.RunningTime < *best)) best = r.RunningTime;
        }
        mu::data cls;
        cls.set("id", "c" + std::to_string(c + 1));
        cls.set("name", ev.ClassNames[c]);
        cls.set("count", std::to_string(slots.size()));
        mu::data& rows = NewList(cls, "rows");
        bool hasStatus = false;
        for (int s : slots) {
            const EntryRecord& r = ev.Entries[c][s];
            const CompetitorState state = StateOf(r);
            if (state == CompetitorState::NotReturned || state == CompetitorState::Provisional) complete = false;
            const bool timed = state == CompetitorState::Provisional || state == CompetitorState::Confirmed;
            const std::string place = PlaceText(r, info.limit);
            mu::data row;
            row.set("place", place);
            row.set("bib", std::to_string(r.BibNumber));
            row.set("name", r.Name);
            row.set("club", r.Club);
            row.set("time", timed ? TimeText(r.RunningTime) : std::string());
            const bool placed = r.Place != 0 && !IsOverTimeLimit(r, info.limit);
            row.set("behind", placed && best && r.RunningTime > *best ? "+" + ShortText(r.RunningTime - *best) : std::string());
            const std::string status = StatusText(r, info.limit, info.now);
            hasStatus = hasStatus || !status.empty();
            row.set("status", status);
            row.set("out", state == CompetitorState::NotReturned);
            const bool toStart = StillToStart(r, info.now);
            row.set("toStart", toStart);
            row.set("start", toStart ? StartText(r.StartTime) : std::string());
            const int n = numbers.Of(c, s);
            row.set("number", std::to_string(n));
            const bool splits = r.CardRead && n >= 0;
            row.set("hasSplits", splits);
            mu::data& list = NewList(row, "splits");
            if (splits) Splits(list, ev, c, n);
            Append(rows, std::move(row));
        }
        // An empty status column is folded away on a phone, giving names the room.
        cls.set("hasStatus", hasStatus);
        Append(classList, std::move(cls));
    }

    data.set("eventName", info.eventName);
    data.set("eventDate", IsoDate(info.eventDate));
    data.set("updated", FormatHhNnSs(info.StampTime()));
    data.set("statusText", complete ? "確定" : "速報");
    data.set("complete", complete);
    data.set("startListIncomplete", info.startListIncomplete);
    data.set("creator", info.creator);

    return page.render(data);
}

} // namespace quilo
