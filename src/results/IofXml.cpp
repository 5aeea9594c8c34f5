#include "results/IofXml.h"

#include "results/Evaluation.h"
#include "results/XmlWriter.h"

#include <algorithm>
#include <optional>

namespace quilo {

const char* IofStatus(const EntryRecord& r, Time limit, Time now) {
    switch (StateOf(r)) {
    case CompetitorState::Absent: return "DidNotStart";
    case CompetitorState::NotReturned: return r.StartTime <= now ? "Active" : "Inactive";
    case CompetitorState::Provisional:
    case CompetitorState::Confirmed:
        if (r.Reference) return "NotCompeting";
        if (IsOverTimeLimit(r, limit)) return "OverTime";
        return "OK";
    case CompetitorState::Coded: break;
    }
    if (r.Status.front() == 'P') return "MissingPunch";
    // The check's own DNF (the last control missing) is a missing punch; the operator's
    // DNF (gave up) and the check's DNQ (never finished) are not.
    if (IsStatus(r.Status, "DNF")) return r.ManualStatus.empty() ? "MissingPunch" : "DidNotFinish";
    if (IsStatus(r.Status, "DNQ")) return "DidNotFinish";
    return "Disqualified";
}

namespace {

// XML 1.0 holds no control characters but tab and the line ends: they are left out.
// The text itself when it has none (nearly always), else the kept part in `scratch`.
std::string_view XmlText(std::string_view s, std::string& scratch) {
    auto kept = [](char ch) {
        const auto u = static_cast<unsigned char>(ch);
        return u >= 0x20 || u == '\t' || u == '\n' || u == '\r';
    };
    std::size_t i = 0;
    while (i < s.size() && kept(s[i])) ++i;
    if (i == s.size()) return s;
    scratch.assign(s, 0, i);
    for (; i < s.size(); ++i)
        if (kept(s[i])) scratch += s[i];
    return scratch;
}

// Start and finish times fall on the event's day (but for a run past midnight): the
// date and its offset are worked out once, only the time of day per competitor.
class DateTimes {
public:
    explicit DateTimes(const LocalDate& day) : day_(day), text_(IsoDateTime(day, Time())), clock_(text_.find('T') + 1) {}
    std::string_view Of(Time t) {
        const long long s = t.Seconds();
        if (s < 0 || s >= 86400) {
            other_ = IsoDateTime(day_, t);
            return other_;
        }
        Put(0, s / 3600);
        Put(3, s / 60 % 60);
        Put(6, s % 60);
        return text_;
    }

private:
    void Put(std::size_t at, long long v) {
        text_[clock_ + at] = static_cast<char>('0' + v / 10);
        text_[clock_ + at + 1] = static_cast<char>('0' + v % 10);
    }
    LocalDate day_;
    std::string text_, other_;
    std::size_t clock_;
};

class ListWriter {
public:
    ListWriter(ByteSink& out, const Event& ev, const ExportInfo& info) : w_(out), ev_(ev), info_(info), times_(info.eventDate) {}

    void Head(bool complete) {
        w_.Declaration();
        w_.Open("ResultList");
        w_.Attribute("xmlns", "http://www.orienteering.org/datastandard/3.0");
        w_.Attribute("iofVersion", "3.0");
        w_.Attribute("createTime", IsoDateTime(info_.StampDay(), info_.StampTime()));
        w_.Attribute("creator", XmlText(info_.creator, scratch_));
        w_.Attribute("status", complete ? "Complete" : "Snapshot");
        w_.Open("Event");
        Text("Name", info_.eventName);
        w_.Open("StartTime");
        w_.Text("Date", IsoDate(info_.eventDate));
        w_.Close();
        w_.Close();
    }

    void Class(int c, const CompetitorNumbers& numbers) {
        w_.Open("ClassResult");
        w_.Open("Class");
        Text("Name", ev_.ClassNames[c]);
        w_.Close();
        const std::vector<int> slots = ExportOrder(ev_, c);
        std::optional<Time> best;
        for (int s : slots) {
            const EntryRecord& r = ev_.Entries[c][s];
            if (std::string_view(IofStatus(r, info_.limit, info_.now)) == "OK" && (!best || r.RunningTime < *best))
                best = r.RunningTime;
        }
        for (int s : slots) {
            const EntryRecord& r = ev_.Entries[c][s];
            w_.Open("PersonResult");
            Person(r);
            Result(c, numbers.Of(c, s), r, best);
            w_.Close();
        }
        w_.Close();
    }

    void Tail() { w_.Close(); }

private:
    void Text(std::string_view name, std::string_view value) { w_.Text(name, XmlText(value, scratch_)); }

    void Person(const EntryRecord& r) {
        w_.Open("Person");
        w_.Open("Name");
        const SplitNameParts parts = SplitName(r.Name);
        Text("Family", parts.family);
        Text("Given", parts.given);
        w_.Close();
        w_.Close();
        if (!XmlText(r.Club, scratch_).empty()) {
            w_.Open("Organisation");
            Text("Name", r.Club);
            w_.Close();
        }
    }

    void Result(int c, int n, const EntryRecord& r, std::optional<Time> best) {
        w_.Open("Result");
        w_.Number("BibNumber", r.BibNumber);
        w_.Text("StartTime", times_.Of(r.StartTime));
        // A finish clock time only where the card's own time stands as the result's basis.
        if (r.CardRead && !r.CardTime.IsZero() && r.LateAddition.IsZero() && r.ManualTime.IsZero())
            w_.Text("FinishTime", times_.Of(r.StartTime + r.CardTime));
        const std::string_view status = IofStatus(r, info_.limit, info_.now);
        const bool ok = status == "OK";
        if (ok || status == "OverTime" || status == "NotCompeting") w_.Number("Time", r.RunningTime.Seconds());
        if (ok && best) w_.Number("TimeBehind", (r.RunningTime - *best).Seconds());
        if (ok && r.Place != 0) w_.Number("Position", r.Place);
        w_.Text("Status", status);
        if (r.CardRead && n >= 0) {
            const int count = std::clamp(ev_.ControlCount[c], 0, kPositions);
            for (int p = 1; p <= count; ++p) {
                if (!PositionHasCode(ev_, c, p)) continue;
                const bool punched = Punched(ev_, n, p);
                w_.Open("SplitTime");
                if (!punched) w_.Attribute("status", "Missing");
                w_.Number("ControlCode", SplitCode(ev_, c, n, p));
                if (punched) w_.Number("Time", ev_.PunchTimes[n][p].Seconds());
                w_.Close();
            }
        }
        if (r.EcardNumber != 0) w_.Number("ControlCard", r.EcardNumber);
        w_.Close();
    }

    XmlWriter w_;
    const Event& ev_;
    const ExportInfo& info_;
    DateTimes times_;
    std::string scratch_;
};

} // namespace

void WriteIofResultList(const Event& ev, const ExportInfo& info, ByteSink& out) {
    const int classes = ev.ClassesInUse();
    bool complete = !info.startListIncomplete;
    for (int c = 0; c < classes && complete; ++c)
        for (int s = 1, count = SlotCount(ev, c); s <= count; ++s) {
            const CompetitorState st = StateOf(ev.Entries[c][s]);
            if (st == CompetitorState::NotReturned || st == CompetitorState::Provisional) {
                complete = false;
                break;
            }
        }

    // Written as made, a competitor at a time: the list is never a tree in memory.
    ListWriter list(out, ev, info);
    list.Head(complete);
    const CompetitorNumbers numbers(ev);
    for (int c = 0; c < classes; ++c) list.Class(c, numbers);
    list.Tail();
}

std::string BuildIofResultList(const Event& ev, const ExportInfo& info) {
    std::string out;
    StringSink sink(out);
    WriteIofResultList(ev, info, sink);
    return out;
}

} // namespace quilo
