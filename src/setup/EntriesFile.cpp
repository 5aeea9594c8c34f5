// Entries.xml: the imported competitors' ids, as an IOF XML 3.0 EntryList.
#include "core/Version.h"
#include "setup/IofImport.h"

#include <pugixml.hpp>

#include <sstream>

namespace quilo {
namespace {

void Text(pugi::xml_node parent, const char* name, const std::string& value) {
    if (!value.empty()) parent.append_child(name).text().set(value.c_str());
}

} // namespace

std::string EntriesXmlBytes(const ImportPlan& plan, const std::string& eventName) {
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version").set_value("1.0");
    decl.append_attribute("encoding").set_value("UTF-8");
    pugi::xml_node list = doc.append_child("EntryList");
    list.append_attribute("xmlns").set_value("http://www.orienteering.org/datastandard/3.0");
    list.append_attribute("iofVersion").set_value("3.0");
    list.append_attribute("creator").set_value("Quilo " QUILO_VERSION);
    list.append_child("Event").append_child("Name").text().set(eventName.c_str());
    for (const Identity& id : plan.identities) {
        pugi::xml_node pe = list.append_child("PersonEntry");
        // The bib is what the results match a competitor by; an entry carries none else.
        pugi::xml_node entryId = pe.append_child("Id");
        entryId.append_attribute("type").set_value("BibNumber");
        entryId.text().set(id.bib);
        pugi::xml_node person = pe.append_child("Person");
        for (const auto& [type, value] : id.personIds) {
            pugi::xml_node node = person.append_child("Id");
            if (!type.empty()) node.append_attribute("type").set_value(type.c_str());
            node.text().set(value.c_str());
        }
        pugi::xml_node name = person.append_child("Name");
        name.append_child("Family").text().set(id.family.c_str());
        name.append_child("Given").text().set(id.given.c_str()); // the schema wants it, empty or not
        if (!id.orgId.empty() || !id.orgName.empty() || !id.orgShortName.empty() || !id.countryCode.empty()) {
            pugi::xml_node org = pe.append_child("Organisation");
            Text(org, "Id", id.orgId);
            Text(org, "Name", id.orgName);
            Text(org, "ShortName", id.orgShortName);
            if (!id.countryCode.empty()) {
                pugi::xml_node country = org.append_child("Country");
                country.append_attribute("code").set_value(id.countryCode.c_str());
                country.text().set((id.countryName.empty() ? id.countryCode : id.countryName).c_str());
            }
        }
        Text(pe, "ControlCard", id.card);
        pugi::xml_node cls = pe.append_child("Class");
        Text(cls, "Id", id.classId);
        cls.append_child("Name").text().set(id.className.c_str());
        Text(cls, "ShortName", id.classShortName);
    }
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

} // namespace quilo
