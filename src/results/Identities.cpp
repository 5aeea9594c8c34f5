#include "results/Identities.h"

#include "core/Files.h"

#include <pugixml.hpp>

#include <cstdlib>

namespace quilo {

Identities::Identities(std::vector<Identity> people) : people_(std::move(people)) {
    for (std::size_t i = 0; i < people_.size(); ++i) {
        const Identity& p = people_[i];
        if (p.bib == 0 || !bibs_.emplace(p.bib, i).second) byBib_ = false;
        cards_.emplace(p.card, i);
        if (!p.classId.empty() || !p.classShortName.empty()) classes_.emplace(p.className, i);
    }
}

const Identity* Identities::Of(int bib, std::string_view startListCard) const {
    if (byBib_) {
        const auto it = bibs_.find(bib);
        return it == bibs_.end() ? nullptr : &people_[it->second];
    }
    const auto it = cards_.find(startListCard);
    return it == cards_.end() ? nullptr : &people_[it->second];
}

const Identity* Identities::OfClass(std::string_view className) const {
    const auto it = classes_.find(className);
    return it == classes_.end() ? nullptr : &people_[it->second];
}

namespace {

std::string Text(const pugi::xml_node& node) { return node.text().as_string(); }

} // namespace

Identities ParseIdentities(std::string_view bytes) {
    pugi::xml_document doc;
    if (!doc.load_buffer(bytes.data(), bytes.size())) return {};
    std::vector<Identity> people;
    for (const pugi::xml_node& pe : doc.child("EntryList").children("PersonEntry")) {
        Identity id;
        for (const pugi::xml_node& entryId : pe.children("Id"))
            if (std::string_view(entryId.attribute("type").as_string()) == "BibNumber")
                id.bib = std::atoi(entryId.text().as_string());
        const pugi::xml_node person = pe.child("Person");
        for (const pugi::xml_node& pid : person.children("Id"))
            id.personIds.emplace_back(pid.attribute("type").as_string(), Text(pid));
        id.family = Text(person.child("Name").child("Family"));
        id.given = Text(person.child("Name").child("Given"));
        const pugi::xml_node org = pe.child("Organisation");
        id.orgId = Text(org.child("Id"));
        id.orgName = Text(org.child("Name"));
        id.orgShortName = Text(org.child("ShortName"));
        id.countryCode = org.child("Country").attribute("code").as_string();
        id.countryName = Text(org.child("Country"));
        id.card = Text(pe.child("ControlCard"));
        const pugi::xml_node cls = pe.child("Class");
        id.classId = Text(cls.child("Id"));
        id.className = Text(cls.child("Name"));
        id.classShortName = Text(cls.child("ShortName"));
        people.push_back(std::move(id));
    }
    return Identities(std::move(people));
}

Result<Identities> ReadIdentities(const std::string& path) {
    const Result<std::string> bytes = ReadFileBytes(path);
    if (!bytes) return bytes.Failure();
    return ParseIdentities(*bytes);
}

} // namespace quilo
