#include "results/ResultsSnapshot.h"

#include "results/Evaluation.h"

#include <algorithm>
#include <tuple>

namespace quilo {
namespace {

bool Timed(const EntryRecord& r) {
    const CompetitorState state = StateOf(r);
    return state == CompetitorState::Provisional || state == CompetitorState::Confirmed;
}

// The exports show a provisional and a confirmed result alike.
bool ExportsShowAlike(const CompetitorResult& a, const CompetitorResult& b) {
    if (a.record.Status == b.record.Status || !Timed(a.record) || !Timed(b.record)) return a == b;
    CompetitorResult same = b;
    same.record.Status = a.record.Status;
    return a == same;
}

bool SameDetails(const ExportInfo& a, const ExportInfo& b) {
    // The moment is left out: only what it decides (started or not) is compared.
    const auto day = [](const LocalDate& d) { return std::tuple(d.year, d.month, d.day, d.utcOffsetMinutes); };
    return a.eventName == b.eventName && day(a.eventDate) == day(b.eventDate) && a.limit == b.limit &&
           a.creator == b.creator && a.startListIncomplete == b.startListIncomplete && a.identities == b.identities;
}

bool SameForExports(const ResultsSnapshot& a, const ResultsSnapshot& b) {
    if (a.classes.size() != b.classes.size()) return false;
    for (std::size_t c = 0; c < a.classes.size(); ++c) {
        const ClassResult& x = a.classes[c];
        const ClassResult& y = b.classes[c];
        if (x.name != y.name || x.withResult != y.withResult || x.splits != y.splits ||
            !std::equal(x.competitors.begin(), x.competitors.end(), y.competitors.begin(), y.competitors.end(),
                        ExportsShowAlike))
            return false;
    }
    return true;
}

} // namespace

ResultsSnapshot TakeSnapshot(const Event& ev, const ExportInfo& info) {
    ResultsSnapshot snap;
    snap.info = info;
    snap.complete = !info.startListIncomplete;
    const CompetitorNumbers numbers(ev);
    const int classes = ev.ClassesInUse();
    snap.classes.resize(static_cast<std::size_t>(classes));
    for (int c = 0; c < classes; ++c) {
        ClassResult& cls = snap.classes[static_cast<std::size_t>(c)];
        cls.name = ev.ClassNames[c];
        const std::vector<int> order = ExportOrder(ev, c);
        cls.competitors.reserve(order.size());
        const int controls = std::clamp(ev.ControlCount[c], 0, kPositions);
        for (int s : order) {
            CompetitorResult& r = cls.competitors.emplace_back();
            r.record = ev.Entries[c][s];
            // Kept for the change records, shown nowhere.
            r.record.EcardText.clear();
            r.record.CheckStatus.clear();
            r.number = numbers.Of(c, s);
            if (r.number >= 0) r.card = ev.CardTexts[static_cast<std::size_t>(r.number)];
            r.slot = s;
            r.started = r.record.StartTime <= info.now;
            const CompetitorState state = StateOf(r.record);
            if (HasResult(r.record)) ++cls.withResult;
            if (state == CompetitorState::NotReturned || state == CompetitorState::Provisional) snap.complete = false;
            if (!r.HasSplits()) continue;
            const int n = r.number;
            r.finish = ev.PunchTimes[n][kFinishPosition];
            r.firstSplit = static_cast<std::uint32_t>(cls.splits.size());
            // A position the course file left without a code is left out.
            for (int p = 1; p <= controls; ++p)
                if (PositionHasCode(ev, c, p))
                    cls.splits.push_back({p, SplitCode(ev, c, n, p), Punched(ev, n, p), ev.PunchTimes[n][p]});
            r.splitCount = static_cast<std::uint32_t>(cls.splits.size()) - r.firstSplit;
        }
    }
    return snap;
}

std::shared_ptr<const ResultsSnapshot> NextSnapshot(const Event& ev, const ExportInfo& info, const StatusLists& lists,
                                                    const std::shared_ptr<const ResultsSnapshot>& previous) {
    auto next = std::make_shared<ResultsSnapshot>(TakeSnapshot(ev, info));
    next->classTable = lists.classStatus;
    next->competitorList = lists.competitors;
    if (!previous) return next;
    const ResultsSnapshot& old = *previous;
    const bool sameExports = next->complete == old.complete && SameDetails(next->info, old.info) && SameForExports(*next, old);
    const bool same = sameExports && next->classes == old.classes;
    next->serial = old.serial + (same ? 0 : 1);
    next->exportSerial = old.exportSerial + (sameExports ? 0 : 1);
    // The same moment too: the exports made from it say when they were made.
    const bool sameMoment = next->info.now == old.info.now && SameDetails(next->info, old.info) &&
                            next->info.today.day == old.info.today.day && next->info.today.month == old.info.today.month &&
                            next->info.today.year == old.info.today.year;
    if (same && sameMoment && next->classTable == old.classTable && next->competitorList == old.competitorList)
        return previous;
    return next;
}

} // namespace quilo
