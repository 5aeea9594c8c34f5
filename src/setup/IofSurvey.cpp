#include "setup/IofSurvey.h"

#include "core/Files.h"
#include "core/Paths.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <string_view>

namespace quilo {

namespace {

std::string_view LocalName(const pugi::xml_node& n) {
    std::string_view name = n.name();
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::vector<pugi::xml_node> Children(const pugi::xml_node& n, std::string_view name) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node c : n.children())
        if (c.type() == pugi::node_element && LocalName(c) == name) out.push_back(c);
    return out;
}

pugi::xml_node Child(const pugi::xml_node& n, std::string_view name) {
    const auto all = Children(n, name);
    return all.empty() ? pugi::xml_node() : all.front();
}

bool IsXmlName(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name.size() > 4 && name.ends_with(".xml") && name != "entries.xml" && name != "e_start.xml";
}

std::optional<IofFileSummary> Summarise(const std::string& name, const std::string& bytes) {
    pugi::xml_document doc;
    if (!doc.load_buffer(bytes.data(), bytes.size())) return std::nullopt;
    const pugi::xml_node root = doc.document_element();
    const std::string_view kind = LocalName(root);
    IofFileSummary s{.name = name};
    std::set<std::string> classes;
    if (kind == "CourseData") {
        s.kind = IofKind::CourseData;
        // The import reads the first race only.
        const pugi::xml_node race = Child(root, "RaceCourseData");
        s.courses = static_cast<int>(Children(race, "Course").size());
        for (const auto& a : Children(race, "ClassCourseAssignment")) classes.insert(Child(a, "ClassName").child_value());
        s.classes = classes.empty() ? s.courses : static_cast<int>(classes.size());
    } else if (kind == "StartList") {
        s.kind = IofKind::StartList;
        for (const auto& c : Children(root, "ClassStart")) {
            classes.insert(Child(Child(c, "Class"), "Name").child_value());
            s.competitors += static_cast<int>(Children(c, "PersonStart").size() + Children(c, "TeamStart").size());
        }
        s.classes = static_cast<int>(classes.size());
    } else if (kind == "EntryList") {
        s.kind = IofKind::EntryList;
        for (const char* entry : {"PersonEntry", "TeamEntry"})
            for (const auto& e : Children(root, entry)) {
                classes.insert(Child(Child(e, "Class"), "Name").child_value());
                ++s.competitors;
            }
        s.classes = static_cast<int>(classes.size());
    } else {
        return std::nullopt;
    }
    return s;
}

} // namespace

ImportOptions FolderSurvey::Options() const {
    ImportOptions o{.folder = folder};
    const std::string base = AddBackslash(folder);
    if (courses) o.courses = base + files[*courses].name;
    if (entries) {
        const IofFileSummary& e = files[*entries];
        (e.kind == IofKind::EntryList ? o.entries : o.starts) = base + e.name;
    }
    return o;
}

FolderSurvey SurveyFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    FolderSurvey survey{.folder = folder};
    const std::string base = AddBackslash(folder);
    std::error_code ec;
    survey.hasEventFiles = fs::exists(base + "Control.dat", ec) || fs::exists(base + "Startlst.dat", ec);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder, ec))
        if (e.is_regular_file(ec) && IsXmlName(e.path().filename().string())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const Result<std::string> bytes = ReadFileBytes(base + name);
        if (!bytes) continue;
        if (auto s = Summarise(name, *bytes)) survey.files.push_back(*s);
    }
    for (std::size_t i = 0; i < survey.files.size(); ++i) {
        const IofKind kind = survey.files[i].kind;
        if (kind == IofKind::CourseData && !survey.courses) survey.courses = i;
        if (kind == IofKind::StartList && (!survey.entries || survey.files[*survey.entries].kind == IofKind::EntryList))
            survey.entries = i;
        if (kind == IofKind::EntryList && !survey.entries) survey.entries = i;
    }
    return survey;
}

} // namespace quilo
