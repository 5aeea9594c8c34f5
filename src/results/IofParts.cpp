#include "results/IofParts.h"

#include "core/Calendar.h"

namespace quilo::iof {

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

void Text(pugi::xml_node parent, const char* name, std::string_view value) {
    pugi::xml_node node = parent.append_child(name);
    const std::string text = XmlText(value);
    if (!text.empty()) node.text().set(text.c_str());
}

void Number(pugi::xml_node parent, const char* name, long long value) { parent.append_child(name).text().set(value); }

void AddPerson(pugi::xml_node parent, const EntryRecord& r, const Identity* id) {
    pugi::xml_node person = parent.append_child("Person");
    if (id)
        for (const auto& [type, value] : id->personIds) {
            pugi::xml_node node = person.append_child("Id");
            if (!type.empty()) node.append_attribute("type").set_value(XmlText(type).c_str());
            node.text().set(XmlText(value).c_str());
        }
    pugi::xml_node name = person.append_child("Name");
    SplitNameParts parts = SplitName(r.Name);
    Text(name, "Family", parts.family);
    Text(name, "Given", parts.given);
    const bool club = !XmlText(r.Club).empty();
    const bool clubIds = id && (!id->orgId.empty() || !id->orgShortName.empty() || !id->countryCode.empty());
    if (!club && !clubIds) return;
    pugi::xml_node org = parent.append_child("Organisation");
    if (clubIds && !id->orgId.empty()) Text(org, "Id", id->orgId);
    if (club) Text(org, "Name", r.Club);
    if (!clubIds) return;
    if (!id->orgShortName.empty()) Text(org, "ShortName", id->orgShortName);
    if (!id->countryCode.empty()) {
        pugi::xml_node country = org.append_child("Country");
        country.append_attribute("code").set_value(XmlText(id->countryCode).c_str());
        country.text().set(XmlText(id->countryName.empty() ? id->countryCode : id->countryName).c_str());
    }
}

void AddClass(pugi::xml_node parent, const std::string& name, const Identities* ids) {
    pugi::xml_node node = parent.append_child("Class");
    const Identity* id = ids ? ids->OfClass(name) : nullptr;
    if (id && !id->classId.empty()) Text(node, "Id", id->classId);
    Text(node, "Name", name);
    if (id && !id->classShortName.empty()) Text(node, "ShortName", id->classShortName);
}

const Identity* IdentityOf(const ExportInfo& info, const EntryRecord& r, const std::string& startListCard) {
    return info.identities ? info.identities->Of(r.BibNumber, startListCard) : nullptr;
}

void WriteHead(ByteSink& out, const char* root, const ExportInfo& info, const char* status) {
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version").set_value("1.0");
    decl.append_attribute("encoding").set_value("UTF-8");
    pugi::xml_node list = doc.append_child(root);
    list.append_attribute("xmlns").set_value("http://www.orienteering.org/datastandard/3.0");
    list.append_attribute("iofVersion").set_value("3.0");
    list.append_attribute("createTime").set_value(IsoDateTime(info.today, info.now).c_str());
    list.append_attribute("creator").set_value(XmlText(info.creator).c_str());
    if (status) list.append_attribute("status").set_value(status);
    pugi::xml_node event = list.append_child("Event");
    Text(event, "Name", info.eventName);
    Text(event.append_child("StartTime"), "Date", IsoDate(info.eventDate));
    std::string head;
    StringSink headSink(head);
    SinkWriter headWriter(headSink);
    doc.save(headWriter, kIndent, kFormat, pugi::encoding_utf8);
    // The library closes the list after the event: that tag waits for the parts.
    const std::string end = "</" + std::string(root) + ">\n";
    if (head.ends_with(end)) head.resize(head.size() - end.size());
    out.Write(head);
}

} // namespace quilo::iof
