#include "results/StatusRefresh.h"

#include "core/Kana.h"
#include "results/Evaluation.h"
#include "results/ExportCommon.h"
#include "results/LineParts.h"

#include <array>

namespace quilo {

const char* const kClassStatusHeader = "クラス  人数 欠席 出走 確定 未帰    TOP   LAST";

namespace {

constexpr const char* kAbsentHeading = "◆◆ 欠席";
constexpr const char* kNotReturnedHeading = "◆◆ 未帰還者";

// Rebuilds a list in place: lines left from the last refresh are overwritten, so their
// text buffers are reused instead of freed and allocated again on every refresh.
class LineSink {
public:
    explicit LineSink(std::vector<ListLine>& lines) : lines_(lines) {}
    ~LineSink() { Finish(); }
    LineSink(const LineSink&) = delete;
    LineSink& operator=(const LineSink&) = delete;

    std::string& Add(int itemData, int competitor = -1) {
        if (used_ == lines_.size()) {
            lines_.emplace_back();
            lines_.back().text.reserve(kLineCapacity); // grown once, not by doubling
        }
        ListLine& line = lines_[used_++];
        line.text.clear();
        line.itemData = itemData;
        line.competitor = competitor;
        return line.text;
    }
    void Add(std::string_view text, int itemData, int competitor = -1) { Add(itemData, competitor).append(text); }
    // Drops the lines of the last refresh that were not overwritten.
    void Finish() { lines_.resize(used_); }

private:
    static constexpr std::size_t kLineCapacity = 128; // a list line in UTF-8, Japanese names and clubs included
    std::vector<ListLine>& lines_;
    std::size_t used_ = 0;
};

struct ClassCounts {
    int absent = 0, confirmed = 0, out = 0;
};

ClassCounts CountClass(const Event& ev, int c) {
    ClassCounts n;
    const int slots = SlotCount(ev, c);
    for (int s = 1; s <= slots; ++s) {
        const EntryRecord& r = ev.Entries[c][s];
        if (r.Status.empty()) {
            if (r.RunningTime.IsZero()) ++n.out;
        } else if (IsStatus(r.Status, "DNS")) {
            ++n.absent;
        } else {
            ++n.confirmed;
        }
    }
    return n;
}

void AppendClassRow(std::string& out, const Event& ev, int c, const ClassCounts& n) {
    parts::LineWriter w(out);
    w.LeftChars(ev.ClassNames[c], 8);
    w.Char(' ');
    w.RightNumber(ev.ClassEntryCount[c], 3);
    w.Text("  ");
    w.RightNumber(n.absent, 3);
    w.Text("  ");
    w.RightNumber(ev.ClassEntryCount[c] - n.absent, 3);
    w.Text("  ");
    w.RightNumber(n.confirmed, 3);
    w.Text("  ");
    w.RightNumber(n.out, 3);
    w.Text("   ");
    // The two starts, "hh:nn" right-aligned in 6.
    w.Char(' ');
    w.HhNn(ev.FirstStart[c]);
    w.Char(' ');
    w.HhNn(ev.LastStart[c]);
}

void BibAndCard(parts::LineWriter& w, const EntryRecord& r) {
    w.Text(" (");
    w.RightNumber(r.BibNumber, 4);
    w.Text(") <");
    w.RightNumber(r.EcardNumber, 5);
    w.Char('>');
}

// " (bib) <card> name number club": the shared middle of the roster and start-order lines.
void CompetitorPieces(parts::LineWriter& w, const EntryRecord& r, int clubWidth) {
    BibAndCard(w, r);
    w.Char(' ');
    w.Name(r.Name, 12, 6);
    w.Char(' ');
    w.RightNumber(r.ExtraNumber, 2);
    w.Char(' ');
    w.LeftWidth(r.Club, clubWidth);
}

} // namespace

std::string ClassHeading(const std::string& className) { return "◆◆ " + ToFullWidth(className); }

std::string NameColumn(const std::string& name, int width, int cutChars) {
    std::string out;
    parts::LineWriter(out).Name(name, width, cutChars);
    return out;
}

std::string ClubColumn(const std::string& club, int width) {
    std::string out;
    parts::LineWriter(out).LeftWidth(club, width);
    return out;
}

void AppendRosterLine(std::string& out, const Event& ev, int c, int s) {
    AppendRosterLine(out, ev.ClassNames[c], ev.Entries[c][s]);
}

void AppendRosterLine(std::string& out, const std::string& className, const EntryRecord& r) {
    parts::LineWriter w(out);
    w.LeftChars(className, 8);
    w.HhNn(r.StartTime);
    CompetitorPieces(w, r, 18);
}

void AppendStartOrderLine(std::string& out, const EntryRecord& r) {
    parts::LineWriter w(out);
    w.HhNn(r.StartTime);
    CompetitorPieces(w, r, 22);
    w.Text(r.Status.empty() ? "  " : " *");
    parts::PlacePiece(w, r);
    switch (StateOf(r)) {
    case CompetitorState::Absent: w.Text("       欠席"); break;
    case CompetitorState::NotReturned: w.Text("     未帰還"); break;
    case CompetitorState::Provisional:
    case CompetitorState::Confirmed:
        w.Text("   ");
        w.RunningTime(r.RunningTime);
        break;
    case CompetitorState::Coded:
        w.Text("   ");
        w.LeftChars(r.Status, 8);
        break;
    }
}

void AppendResultOrderLine(std::string& out, const EntryRecord& r, Time limit) {
    parts::LineWriter w(out);
    w.Char(IsOverTimeLimit(r, limit) ? 'x' : ' ');
    w.Char(r.Status.empty() ? ' ' : '*');
    parts::PlacePiece(w, r);
    BibAndCard(w, r);
    w.Char(' ');
    w.Name(r.Name, 12, 6);
    w.Char(' ');
    if (StateOf(r) == CompetitorState::Coded) w.LeftChars(r.Status, 8);
    else w.RunningTime(r.RunningTime);
    w.Char(' ');
    w.RightNumber(r.ExtraNumber, 4);
    w.Char(' ');
    w.LeftWidth(r.Club, 18);
}

std::string RosterLine(const Event& ev, int c, int s) {
    std::string out;
    AppendRosterLine(out, ev, c, s);
    return out;
}

std::string RosterLine(const std::string& className, const EntryRecord& r) {
    std::string out;
    AppendRosterLine(out, className, r);
    return out;
}

std::string StartOrderLine(const EntryRecord& r) {
    std::string out;
    AppendStartOrderLine(out, r);
    return out;
}

std::string ResultOrderLine(const EntryRecord& r, Time limit) {
    std::string out;
    AppendResultOrderLine(out, r, limit);
    return out;
}

void RefreshStatus(Event& ev, Time now, Time limit, bool byResult, StatusLists& lists) {
    const int classes = ev.ClassesInUse();
    std::vector<ClassCounts> counts(static_cast<std::size_t>(classes));
    // A result confirmed now is counted and placed as confirmed now.
    for (int c = 0; c < classes; ++c) {
        ConfirmClassResults(ev, c, now);
        AssignClassPlaces(ev, c);
        counts[static_cast<std::size_t>(c)] = CountClass(ev, c);
    }

    {
        LineSink table(lists.classStatus);
        table.Add(kClassStatusHeader, 0);
        for (int c = 0; c < classes; ++c) AppendClassRow(table.Add(0), ev, c, counts[static_cast<std::size_t>(c)]);
    }
    BuildCompetitorList(ev, limit, byResult, lists);
}

void BuildCompetitorList(const Event& ev, Time limit, bool byResult, StatusLists& lists) {
    const int classes = ev.ClassesInUse();
    const CompetitorNumbers numbers(ev);
    KeySorter sorter;
    LineSink list(lists.competitors);

    if (!byResult) {
        for (int c = 0; c < classes; ++c) {
            const int slots = SlotCount(ev, c);
            sorter.Clear();
            for (int s = 1; s <= slots; ++s) sorter.Add(StartOrderKey(ev.Entries[c][s]), s);
            sorter.Sort();
            list.Add(ClassHeading(ev.ClassNames[c]), 0);
            for (int i = 0; i < sorter.Count(); ++i) {
                const int s = sorter.SlotAt(i);
                const EntryRecord& r = ev.Entries[c][s];
                AppendStartOrderLine(list.Add(r.EcardNumber, numbers.Of(c, s)), r);
            }
            list.Add("", 0);
        }
        return;
    }

    LineSink kesseki(lists.kesseki);
    LineSink mikikan(lists.mikikan);
    for (int c = 0; c < classes; ++c) {
        const int slots = SlotCount(ev, c);
        sorter.Clear();
        for (int s = 1; s <= slots; ++s) {
            const EntryRecord& r = ev.Entries[c][s];
            switch (StateOf(r)) {
            case CompetitorState::Absent: AppendRosterLine(kesseki.Add(r.EcardNumber, numbers.Of(c, s)), ev, c, s); break;
            case CompetitorState::NotReturned: AppendRosterLine(mikikan.Add(r.EcardNumber, numbers.Of(c, s)), ev, c, s); break;
            default: sorter.Add(ResultSortKey(r), s); break;
            }
        }
        sorter.Sort();
        list.Add(ClassHeading(ev.ClassNames[c]), 0);
        for (int i = 0; i < sorter.Count(); ++i) {
            const int s = sorter.SlotAt(i);
            const EntryRecord& r = ev.Entries[c][s];
            AppendResultOrderLine(list.Add(r.EcardNumber, numbers.Of(c, s)), r, limit);
        }
        list.Add("", 0);
    }
    kesseki.Finish();
    mikikan.Finish();

    list.Add(kAbsentHeading, 0);
    for (const ListLine& line : lists.kesseki) list.Add(line.text, line.itemData, line.competitor);
    list.Add("", 0);
    list.Add(kNotReturnedHeading, 0);
    for (const ListLine& line : lists.mikikan) list.Add(line.text, line.itemData, line.competitor);
    list.Add("", 0);
}

} // namespace quilo
