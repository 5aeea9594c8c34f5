#include "results/IofXml.h"

#include "results/Evaluation.h"

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

// XML 1.0 holds no control characters but tab and the line ends: they are left out.
std::string XmlText(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char ch : s) {
        const auto u = static_cast<unsigned char>(ch);
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r') continue;
        out += ch;
    }
    return out;
}

// pugixml's output, piece by piece, to the sink.
class SinkWriter final : public pugi::xml_writer {
public:
    explicit SinkWriter(ByteSink& out) : out_(out) {}
    void write(const void* data, size_t size) override { out_.Write(std::string_view(static_cast<const char*>(data), size)); }

private:
    ByteSink& out_;
};

void Text(pugi::xml_node parent, const char* name, std::string_view value) {
    pugi::xml_node node = parent.append_child(name);
    const std::string text = XmlText(value);
    if (!text.empty()) node.text().set(text.c_str());
}

void Number(pugi::xml_node parent, const char* name, long long value) { parent.append_child(name).text().set(value); }

void AddPerson(pugi::xml_node pr, const EntryRecord& r) {
    pugi::xml_node person = pr.append_child("Person");
    pugi::xml_node name = person.append_child("Name");
    SplitNameParts parts = SplitName(r.Name);
    Text(name, "Family", parts.family);
    Text(name, "Given", parts.given);
    if (!XmlText(r.Club).empty()) Text(pr.append_child("Organisation"), "Name", r.Club);
}

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
    constexpr const char* kIndent = "  ";
    constexpr unsigned kFormat = pugi::format_default;
    SinkWriter writer(out);
    {
        // The declaration, the list's opening tag and the event; the list's closing tag,
        // which the library writes after them, waits for the end.
        pugi::xml_document doc;
        pugi::xml_node decl = doc.append_child(pugi::node_declaration);
        decl.append_attribute("version").set_value("1.0");
        decl.append_attribute("encoding").set_value("UTF-8");
        pugi::xml_node list = doc.append_child("ResultList");
        list.append_attribute("xmlns").set_value("http://www.orienteering.org/datastandard/3.0");
        list.append_attribute("iofVersion").set_value("3.0");
        list.append_attribute("createTime").set_value(IsoDateTime(info.today, info.now).c_str());
        list.append_attribute("creator").set_value(XmlText(info.creator).c_str());
        list.append_attribute("status").set_value(snap.complete ? "Complete" : "Snapshot");
        pugi::xml_node event = list.append_child("Event");
        Text(event, "Name", info.eventName);
        Text(event.append_child("StartTime"), "Date", IsoDate(info.eventDate));
        std::string head;
        StringSink headSink(head);
        SinkWriter headWriter(headSink);
        doc.save(headWriter, kIndent, kFormat, pugi::encoding_utf8);
        constexpr std::string_view kListEnd = "</ResultList>\n";
        if (head.ends_with(kListEnd)) head.resize(head.size() - kListEnd.size());
        out.Write(head);
    }

    pugi::xml_document part;
    for (const ClassResult& cls : snap.classes) {
        out.Write("  <ClassResult>\n");
        part.reset();
        pugi::xml_node node = part.append_child("Class");
        Text(node, "Name", cls.name);
        node.print(writer, kIndent, kFormat, pugi::encoding_utf8, 2);
        std::optional<Time> best;
        for (const CompetitorResult& cr : cls.competitors) {
            const EntryRecord& r = cr.record;
            if (std::string_view(IofStatus(r, info.limit, info.now)) == "OK" && (!best || r.RunningTime < *best))
                best = r.RunningTime;
        }
        for (const CompetitorResult& cr : cls.competitors) {
            part.reset();
            pugi::xml_node pr = part.append_child("PersonResult");
            AddPerson(pr, cr.record);
            AddResult(pr, cls, cr, info, best);
            pr.print(writer, kIndent, kFormat, pugi::encoding_utf8, 2);
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
