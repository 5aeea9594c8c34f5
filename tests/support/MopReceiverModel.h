#pragma once
// A receiver of the online results documents as the protocol describes one: a
// MOPComplete replaces everything it held, a MOPDiff adds or replaces records by id.
// Its picture is what its pages would show, to be compared with the station's.
#include "upload/Mop.h"

#include <pugixml.hpp>

#include <map>
#include <string>
#include <string_view>

namespace quilo::test {

class MopReceiverModel {
public:
    // False (and nothing changes) when the body is not a document of the protocol.
    bool Apply(std::string_view body) {
        pugi::xml_document doc;
        if (!doc.load_buffer(body.data(), body.size())) return false;
        const pugi::xml_node root = doc.document_element();
        const std::string_view kind = root.name();
        if ((kind != "MOPComplete" && kind != "MOPDiff") ||
            std::string_view(root.attribute("xmlns").value()) != "http://www.melin.nu/mop")
            return false;
        if (kind == "MOPComplete") {
            name_.clear();
            date_.clear();
            classes_.clear();
            orgs_.clear();
            competitors_.clear();
        }
        ++documents_;
        if (pugi::xml_node c = root.child("competition")) {
            name_ = c.text().get();
            date_ = c.attribute("date").value();
        }
        for (pugi::xml_node n : root.children("cls"))
            classes_[n.attribute("id").as_int()] = {n.attribute("id").as_int(), n.attribute("ord").as_int(), n.text().get()};
        for (pugi::xml_node n : root.children("org"))
            orgs_[n.attribute("id").as_int()] = {n.attribute("id").as_int(), n.text().get()};
        for (pugi::xml_node n : root.children("cmp")) {
            const pugi::xml_node base = n.child("base");
            competitors_[n.attribute("id").as_int()] = {n.attribute("id").as_int(),      base.text().get(),
                                                        base.attribute("cls").as_int(),  base.attribute("org").as_int(),
                                                        base.attribute("stat").as_int(), base.attribute("st").as_llong(),
                                                        base.attribute("rt").as_llong()};
        }
        return true;
    }

    // Everything held, each list by id.
    mop::Event Picture() const {
        mop::Event e{name_, date_, {}, {}, {}};
        for (const auto& [id, c] : classes_) e.classes.push_back(c);
        for (const auto& [id, o] : orgs_) e.orgs.push_back(o);
        for (const auto& [id, c] : competitors_) e.competitors.push_back(c);
        return e;
    }
    const std::map<int, mop::Competitor>& Competitors() const { return competitors_; }
    const std::map<int, mop::Class>& Classes() const { return classes_; }
    const std::map<int, mop::Org>& Orgs() const { return orgs_; }
    int Documents() const { return documents_; }

private:
    std::string name_, date_;
    std::map<int, mop::Class> classes_;
    std::map<int, mop::Org> orgs_;
    std::map<int, mop::Competitor> competitors_;
    int documents_ = 0;
};

} // namespace quilo::test
