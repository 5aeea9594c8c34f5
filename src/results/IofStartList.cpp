#include "results/IofStartList.h"

#include "core/Calendar.h"
#include "results/IofParts.h"

#include <algorithm>
#include <vector>

namespace quilo {

void WriteIofStartList(const ResultsSnapshot& snap, ByteSink& out) {
    const ExportInfo& info = snap.info;
    iof::SinkWriter writer(out);
    iof::WriteHead(out, "StartList", info, nullptr);

    pugi::xml_document part;
    std::vector<const CompetitorResult*> order;
    for (const ClassResult& cls : snap.classes) {
        out.Write("  <ClassStart>\n");
        part.reset();
        iof::AddClass(part, cls.name, info.identities.get());
        part.first_child().print(writer, iof::kIndent, iof::kFormat, pugi::encoding_utf8, 2);
        // The snapshot holds a class in result order; a start list goes by start time.
        order.clear();
        for (const CompetitorResult& cr : cls.competitors) order.push_back(&cr);
        std::stable_sort(order.begin(), order.end(), [](const CompetitorResult* a, const CompetitorResult* b) {
            if (a->record.StartTime != b->record.StartTime) return a->record.StartTime < b->record.StartTime;
            return a->slot < b->slot;
        });
        for (const CompetitorResult* cr : order) {
            const EntryRecord& r = cr->record;
            part.reset();
            pugi::xml_node ps = part.append_child("PersonStart");
            iof::AddPerson(ps, r, iof::IdentityOf(info, r, cr->card));
            pugi::xml_node start = ps.append_child("Start");
            iof::Number(start, "BibNumber", r.BibNumber);
            iof::Text(start, "StartTime", IsoDateTime(info.eventDate, r.StartTime));
            if (r.EcardNumber != 0) iof::Number(start, "ControlCard", r.EcardNumber);
            ps.print(writer, iof::kIndent, iof::kFormat, pugi::encoding_utf8, 2);
        }
        out.Write("  </ClassStart>\n");
    }
    out.Write("</StartList>\n");
}

std::string BuildIofStartList(const ResultsSnapshot& snap) {
    std::string out;
    StringSink sink(out);
    WriteIofStartList(snap, sink);
    return out;
}

} // namespace quilo
