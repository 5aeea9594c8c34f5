#include "results/IofXml.h"

#include "results/Evaluation.h"
#include "results/IofParts.h"

#include <pugixml.hpp>

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

using iof::Number;
using iof::Text;

void AddResult(pugi::xml_node pr, const ClassResult& cls, const CompetitorResult& cr, const ExportInfo& info,
               std::optional<Time> best) {
    const EntryRecord& r = cr.record;
    pugi::xml_node res = pr.append_child("Result");
    Number(res, "BibNumber", r.BibNumber);
    Text(res, "StartTime", IsoDateTime(info.eventDate, r.StartTime));
    // A finish clock time only where the card's own time stands as the result's basis.
    if (r.CardRead && !r.CardTime.IsZero() && r.LateAddition.IsZero() && r.ManualTime.IsZero())
        Text(res, "FinishTime", IsoDateTime(info.eventDate, r.StartTime + r.CardTime));
    const std::string_view status = IofStatus(r, info.limit, info.now);
    const bool ok = status == "OK";
    if (ok || status == "OverTime" || status == "NotCompeting") Number(res, "Time", r.RunningTime.Seconds());
    if (ok && best) Number(res, "TimeBehind", (r.RunningTime - *best).Seconds());
    if (ok && r.Place != 0) Number(res, "Position", r.Place);
    Text(res, "Status", status);
    if (cr.HasSplits()) {
        for (const SplitTime& p : cls.SplitsOf(cr)) {
            pugi::xml_node split = res.append_child("SplitTime");
            if (!p.punched) split.append_attribute("status").set_value("Missing");
            Number(split, "ControlCode", p.code);
            if (p.punched) Number(split, "Time", p.time.Seconds());
        }
    }
    if (r.EcardNumber != 0) Number(res, "ControlCard", r.EcardNumber);
}

} // namespace

void WriteIofResultList(const ResultsSnapshot& snap, ByteSink& out) {
    const ExportInfo& info = snap.info;

    // The document is made and written a competitor at a time, each part printed by the
    // library at its depth in the whole, so the bytes are those of the whole tree saved
    // at once; only the class's own tags are written here.
    iof::SinkWriter writer(out);
    iof::WriteHead(out, "ResultList", info, snap.complete ? "Complete" : "Snapshot");

    pugi::xml_document part;
    for (const ClassResult& cls : snap.classes) {
        out.Write("  <ClassResult>\n");
        part.reset();
        iof::AddClass(part, cls.name, info.identities.get());
        part.first_child().print(writer, iof::kIndent, iof::kFormat, pugi::encoding_utf8, 2);
        std::optional<Time> best;
        for (const CompetitorResult& cr : cls.competitors) {
            const EntryRecord& r = cr.record;
            if (std::string_view(IofStatus(r, info.limit, info.now)) == "OK" && (!best || r.RunningTime < *best))
                best = r.RunningTime;
        }
        for (const CompetitorResult& cr : cls.competitors) {
            part.reset();
            pugi::xml_node pr = part.append_child("PersonResult");
            iof::AddPerson(pr, cr.record, iof::IdentityOf(info, cr.record, cr.card));
            AddResult(pr, cls, cr, info, best);
            pr.print(writer, iof::kIndent, iof::kFormat, pugi::encoding_utf8, 2);
        }
        out.Write("  </ClassResult>\n");
    }
    out.Write("</ResultList>\n");
}

std::string BuildIofResultList(const ResultsSnapshot& snap) {
    std::string out;
    StringSink sink(out);
    WriteIofResultList(snap, sink);
    return out;
}

} // namespace quilo
