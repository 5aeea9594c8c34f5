#include "results/OutputFiles.h"

#include "results/Evaluation.h"
#include "results/LineParts.h"
#include "results/StatusRefresh.h"

namespace quilo {

namespace {

void AppendResultsLine(std::string& out, const EntryRecord& r, Time limit) {
    parts::LineWriter w(out);
    w.Text(r.Status.empty() ? "  " : "・");
    // The place stays in memory; only the file leaves it blank over the limit.
    if (IsOverTimeLimit(r, limit)) w.Text("    ");
    else parts::PlacePiece(w, r);
    w.Text(" (");
    w.RightNumber(r.BibNumber, 4);
    w.Text(") ");
    w.Name(r.Name, 16, 8);
    w.Char(' ');
    if (!r.Status.empty() && !IsStatus(r.Status, "OK")) w.LeftChars(r.Status, 8);
    else w.RunningTime(r.RunningTime);
    w.Char(' ');
    w.RightNumber(r.ExtraNumber, 4);
    w.Char(' ');
    w.LeftWidth(r.Club, 18);
}

} // namespace

std::string ResultsLine(const EntryRecord& r, Time limit) {
    std::string out;
    AppendResultsLine(out, r, limit);
    return out;
}

std::vector<std::string> BuildResultsFile(const Event& ev, Time limit) {
    std::vector<std::string> lines;
    const int classes = ev.ClassesInUse();
    KeySorter sorter;
    for (int c = 0; c < classes; ++c) {
        const int slots = SlotCount(ev, c);
        sorter.Clear();
        for (int s = 1; s <= slots; ++s) {
            const EntryRecord& r = ev.Entries[c][s];
            if (HasResult(r)) sorter.Add(ResultSortKey(r), s);
        }
        sorter.Sort();
        lines.push_back(ClassHeading(ev.ClassNames[c]));
        lines.emplace_back();
        for (int i = 0; i < sorter.Count(); ++i) lines.push_back(ResultsLine(ev.Entries[c][sorter.SlotAt(i)], limit));
        lines.emplace_back();
        lines.emplace_back();
    }
    return lines;
}

std::vector<std::string> BuildNotReturnedFile(const Event& ev) {
    std::vector<std::string> lines;
    lines.push_back("◆◆ 未帰還者リスト（Ｅカード）");
    lines.emplace_back();
    const int classes = ev.ClassesInUse();
    for (int c = 0; c < classes; ++c) {
        const int slots = SlotCount(ev, c);
        for (int s = 1; s <= slots; ++s)
            if (StateOf(ev.Entries[c][s]) == CompetitorState::NotReturned) lines.push_back(RosterLine(ev, c, s));
    }
    return lines;
}

} // namespace quilo
