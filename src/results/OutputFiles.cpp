#include "results/OutputFiles.h"

#include "results/Evaluation.h"
#include "results/LineParts.h"
#include "results/StatusRefresh.h"

#include <algorithm>

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

std::vector<std::string> BuildResultsFile(const ResultsSnapshot& snap) {
    std::vector<std::string> lines;
    for (const ClassResult& cls : snap.classes) {
        lines.push_back(ClassHeading(cls.name));
        lines.emplace_back();
        for (int i = 0; i < cls.withResult; ++i)
            lines.push_back(ResultsLine(cls.competitors[static_cast<std::size_t>(i)].record, snap.info.limit));
        lines.emplace_back();
        lines.emplace_back();
    }
    return lines;
}

std::vector<std::string> BuildNotReturnedFile(const ResultsSnapshot& snap) {
    std::vector<std::string> lines;
    lines.push_back("◆◆ 未帰還者リスト（Ｅカード）");
    lines.emplace_back();
    std::vector<const CompetitorResult*> out;
    for (const ClassResult& cls : snap.classes) {
        out.clear();
        for (const CompetitorResult& r : cls.competitors)
            if (StateOf(r.record) == CompetitorState::NotReturned) out.push_back(&r);
        // In slot order, as the start list gave them.
        std::sort(out.begin(), out.end(),
                  [](const CompetitorResult* a, const CompetitorResult* b) { return a->slot < b->slot; });
        for (const CompetitorResult* r : out) lines.push_back(RosterLine(cls.name, r->record));
    }
    return lines;
}

} // namespace quilo
