#include "setup/IofRead.h"

#include <pugixml.hpp>

#include <algorithm>
#include <ctime>
#include <map>

namespace quilo {

std::string RefusalText(const Refusal& r) {
    return r.file + (r.line > 0 ? ":" + std::to_string(r.line) : std::string()) + ": " + r.text;
}

std::optional<int> WholeNumberText(std::string_view text) {
    std::size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
    if (i == text.size() || text.size() - i > 10) return std::nullopt;
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    if (text[0] == '-') value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<int>(value);
}

namespace {

std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

} // namespace

std::optional<Time> LocalTimeOfDay(std::string_view t) {
    // YYYY-MM-DDThh:mm:ss[.s+][Z|(+|-)hh:mm]
    const auto year = Digits(t, 0, 4), month = Digits(t, 5, 2), day = Digits(t, 8, 2);
    const auto h = Digits(t, 11, 2), m = Digits(t, 14, 2), s = Digits(t, 17, 2);
    if (!year || !month || !day || !h || !m || !s || t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' ||
        t[16] != ':' || *h > 23 || *m > 59 || *s > 59)
        return std::nullopt;
    std::size_t i = 19;
    if (i < t.size() && t[i] == '.') {
        // A fraction of a second is refused, not rounded: two starts could become one.
        for (++i; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i)
            if (t[i] != '0') return std::nullopt;
    }
    const std::string_view zone = t.substr(i);
    if (zone.empty() ||
        ((zone[0] == '+' || zone[0] == '-') && zone.size() == 6 && Digits(zone, 1, 2) && zone[3] == ':' && Digits(zone, 4, 2)))
        return Time::Hms(*h, *m, *s);
    if (zone != "Z") return std::nullopt;
    // Only UTC leaves the event's clock unsaid: the station's own zone is the event's.
    std::tm utc{};
    utc.tm_year = *year - 1900;
    utc.tm_mon = *month - 1;
    utc.tm_mday = *day;
    utc.tm_hour = *h;
    utc.tm_min = *m;
    utc.tm_sec = *s;
    const std::time_t when = ::timegm(&utc);
    std::tm local{};
    if (!::localtime_r(&when, &local)) return std::nullopt;
    return Time::Hms(local.tm_hour, local.tm_min, local.tm_sec);
}

const char* IofKindName(IofKind kind) {
    switch (kind) {
    case IofKind::CourseData: return "CourseData";
    case IofKind::StartList: return "StartList";
    case IofKind::EntryList: return "EntryList";
    }
    return "";
}

namespace {

constexpr int kMostAlternatives = kAlternatives;
constexpr int kMostPositions = kFinishPosition - 1;

// Line numbers from the byte offsets pugixml keeps of each node.
class LineIndex {
public:
    explicit LineIndex(std::string_view bytes) {
        for (std::size_t i = 0; i < bytes.size(); ++i)
            if (bytes[i] == '\n') ends_.push_back(static_cast<std::ptrdiff_t>(i));
    }
    int Of(const pugi::xml_node& n) const {
        const std::ptrdiff_t at = n.offset_debug();
        if (at < 0) return 0;
        return static_cast<int>(std::lower_bound(ends_.begin(), ends_.end(), at) - ends_.begin()) + 1;
    }

private:
    std::vector<std::ptrdiff_t> ends_;
};

// Element names without a namespace prefix: the files may use one.
std::string_view LocalName(const pugi::xml_node& n) {
    std::string_view name = n.name();
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node Child(const pugi::xml_node& n, std::string_view name) {
    for (pugi::xml_node c : n.children())
        if (c.type() == pugi::node_element && LocalName(c) == name) return c;
    return {};
}

std::vector<pugi::xml_node> Children(const pugi::xml_node& n, std::string_view name) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node c : n.children())
        if (c.type() == pugi::node_element && LocalName(c) == name) out.push_back(c);
    return out;
}

// An element's text with each run of white space one blank and none at the ends: a name
// broken over lines is still one field of one line.
std::string Text(const pugi::xml_node& n) {
    std::string out;
    bool blank = false;
    for (const char* p = n.child_value(); *p; ++p) {
        const char ch = *p;
        if (ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n') {
            blank = !out.empty();
            continue;
        }
        if (blank) out += ' ';
        blank = false;
        out += ch;
    }
    return out;
}

const char* OptionOf(std::string_view root) {
    if (root == "CourseData") return "--courses";
    if (root == "StartList") return "--starts";
    if (root == "EntryList") return "--entries";
    return nullptr;
}

pugi::xml_node Root(pugi::xml_document& doc, std::string_view bytes, const std::string& file, IofKind kind,
                    std::vector<Refusal>& refusals) {
    const pugi::xml_parse_result parsed = doc.load_buffer(bytes.data(), bytes.size());
    if (!parsed) {
        refusals.push_back({file, 0, std::string("is not XML (") + parsed.description() + "): give the file as exported"});
        return {};
    }
    const pugi::xml_node root = doc.document_element();
    const std::string_view name = LocalName(root);
    const std::string wanted = IofKindName(kind);
    if (name != wanted) {
        const char* option = OptionOf(name);
        refusals.push_back({file, LineIndex(bytes).Of(root),
                            option ? "holds " + std::string(name) + ", not " + wanted + ": give it with " + option
                                   : "is no IOF XML " + wanted + " (its root element is " + std::string(name) +
                                         "): export the " + wanted + " as IOF XML 3.0"});
        return {};
    }
    if (std::string_view(root.attribute("iofVersion").as_string()) != "3.0") {
        refusals.push_back(
            {file, LineIndex(bytes).Of(root), "is not IOF XML 3.0 (iofVersion is not 3.0): export it as IOF XML 3.0"});
        return {};
    }
    return root;
}

void AddDistinct(std::vector<int>& codes, int code) {
    if (std::find(codes.begin(), codes.end(), code) == codes.end()) codes.push_back(code);
}

std::string JoinCodes(const std::vector<int>& codes) {
    std::string out;
    for (int c : codes) out += (out.empty() ? "" : ", ") + std::to_string(c);
    return out;
}

Alternatives ToAlternatives(const std::vector<int>& codes) {
    Alternatives a{};
    for (std::size_t i = 0; i < codes.size() && i < a.size(); ++i) a[i] = codes[i];
    return a;
}

struct CourseRead {
    std::string name, family;
    int line = 0;
    std::vector<std::vector<int>> positions;
    std::vector<int> finish;
    std::vector<Refusal> problems;
};

std::optional<int> Code(std::string_view text) {
    const auto code = WholeNumberText(text);
    if (!code || *code <= 0) return std::nullopt; // 0 reads as "no code"
    return code;
}

} // namespace

std::vector<CourseClass> ReadIofCourseData(std::string_view bytes, const std::string& file,
                                           const std::vector<int>& finishCodes, std::vector<Refusal>& refusals,
                                           std::vector<int>* classLines) {
    pugi::xml_document doc;
    const pugi::xml_node root = Root(doc, bytes, file, IofKind::CourseData, refusals);
    if (!root) return {};
    const LineIndex lines(bytes);
    const std::vector<pugi::xml_node> races = Children(root, "RaceCourseData");
    if (races.size() != 1) {
        refusals.push_back({file, lines.Of(root),
                            "holds " + std::to_string(races.size()) +
                                " races (RaceCourseData); Quilo holds one race: export the course data of one race"});
        return {};
    }
    const pugi::xml_node race = races[0];

    // A control's codes: its punching units when it has any, else its Id.
    std::map<std::string, std::vector<int>> controlCodes;
    for (const pugi::xml_node& control : Children(race, "Control")) {
        std::vector<int> codes;
        const std::vector<pugi::xml_node> units = Children(control, "PunchingUnitId");
        if (units.empty()) {
            if (auto code = Code(Text(Child(control, "Id")))) codes.push_back(*code);
        }
        for (const pugi::xml_node& unit : units)
            if (auto code = Code(Text(unit))) AddDistinct(codes, *code);
        controlCodes[Text(Child(control, "Id"))] = codes;
    }
    auto codesOf = [&](const std::string& id) {
        if (auto it = controlCodes.find(id); it != controlCodes.end()) return it->second;
        const auto code = Code(id);
        return code ? std::vector<int>{*code} : std::vector<int>{};
    };

    std::vector<CourseRead> courses;
    for (const pugi::xml_node& course : Children(race, "Course")) {
        CourseRead k;
        k.name = Text(Child(course, "Name"));
        k.family = Text(Child(course, "CourseFamily"));
        k.line = lines.Of(course);
        const std::string who = "course " + k.name;
        for (const pugi::xml_node& cc : Children(course, "CourseControl")) {
            const std::string type = cc.attribute("type").as_string("Control");
            if (type != "Control" && type != "Finish") continue;
            std::vector<int> codes;
            for (const pugi::xml_node& control : Children(cc, "Control")) {
                const std::string id = Text(control);
                const std::vector<int> found = codesOf(id);
                if (found.empty() && type == "Control")
                    k.problems.push_back({file, lines.Of(control),
                                          who + ": control " + id +
                                              " has no code the finish can read (a positive whole number as Id or "
                                              "PunchingUnitId): give it one in the course-setting software"});
                for (int code : found) AddDistinct(codes, code);
            }
            if (type == "Finish") {
                for (int code : codes) AddDistinct(k.finish, code);
                continue;
            }
            if (static_cast<int>(codes.size()) > kMostAlternatives)
                k.problems.push_back({file, lines.Of(cc),
                                      who + ", control " + std::to_string(k.positions.size() + 1) + ": " +
                                          std::to_string(codes.size()) + " codes (" + JoinCodes(codes) +
                                          "); Quilo holds three alternatives a control: keep three"});
            k.positions.push_back(codes);
        }
        if (k.finish.empty()) {
            if (finishCodes.empty())
                k.problems.push_back({file, k.line,
                                      who + ": its finish has no numeric code: give the finish unit's code with "
                                            "--finish-code CODE"});
            for (int code : finishCodes) AddDistinct(k.finish, code);
        }
        if (static_cast<int>(k.finish.size()) > kMostAlternatives)
            k.problems.push_back({file, k.line,
                                  who + ": its finish has " + std::to_string(k.finish.size()) + " codes (" +
                                      JoinCodes(k.finish) + "); Quilo holds three: keep three"});
        if (static_cast<int>(k.positions.size()) > kMostPositions)
            k.problems.push_back({file, k.line,
                                  who + " has " + std::to_string(k.positions.size()) +
                                      " controls; Quilo holds 30 and the finish: shorten the course"});
        courses.push_back(std::move(k));
    }

    // Which courses each class runs, classes in document order.
    struct Group {
        std::string name;
        int line = 0;
        std::vector<std::size_t> courses;
    };
    std::vector<Group> groups;
    auto groupOf = [&](const std::string& name, int line) -> Group& {
        for (Group& g : groups)
            if (g.name == name) return g;
        groups.push_back({name, line, {}});
        return groups.back();
    };
    const std::vector<pugi::xml_node> assignments = Children(race, "ClassCourseAssignment");
    for (const pugi::xml_node& a : assignments) {
        const int line = lines.Of(a);
        const std::string courseName = Text(Child(a, "CourseName"));
        const std::string family = Text(Child(a, "CourseFamily"));
        Group& g = groupOf(Text(Child(a, "ClassName")), line);
        bool found = false;
        for (std::size_t i = 0; i < courses.size(); ++i) {
            if ((!courseName.empty() && courses[i].name != courseName) || (!family.empty() && courses[i].family != family))
                continue;
            if (courseName.empty() && family.empty()) continue;
            found = true;
            if (std::find(g.courses.begin(), g.courses.end(), i) == g.courses.end()) g.courses.push_back(i);
        }
        if (!found)
            refusals.push_back({file, line,
                                "class " + g.name + " is assigned course " + courseName +
                                    (family.empty() ? "" : " of family " + family) +
                                    ", which the file does not define: assign a course of the file"});
    }
    // Without assignments each course is a class of its name, and a family of forked
    // courses one class of the family's name.
    if (assignments.empty())
        for (std::size_t i = 0; i < courses.size(); ++i)
            groupOf(courses[i].family.empty() ? courses[i].name : courses[i].family, courses[i].line).courses.push_back(i);

    std::vector<bool> reported(courses.size(), false);
    std::vector<CourseClass> classes;
    for (const Group& g : groups) {
        if (classLines) classLines->push_back(g.line);
        bool broken = g.courses.empty();
        for (std::size_t i : g.courses) {
            if (!courses[i].problems.empty()) broken = true;
            if (reported[i]) continue;
            reported[i] = true;
            refusals.insert(refusals.end(), courses[i].problems.begin(), courses[i].problems.end());
        }
        if (broken) {
            classes.push_back({g.name, {}, {}});
            continue;
        }
        std::string names;
        for (std::size_t i : g.courses)
            names += (names.empty() ? "" : ", ") + courses[i].name + " (" + std::to_string(courses[i].positions.size()) +
                     " controls)";
        const std::size_t length = courses[g.courses[0]].positions.size();
        bool sameLength = true;
        for (std::size_t i : g.courses) sameLength = sameLength && courses[i].positions.size() == length;
        if (!sameLength) {
            refusals.push_back({file, g.line,
                                "class " + g.name + " runs courses " + names +
                                    ": forked courses are merged control by control and need the same number of "
                                    "controls: give the class courses of one length"});
            classes.push_back({g.name, {}, {}});
            continue;
        }
        CourseClass k{g.name, {}, {}};
        std::vector<int> finish;
        for (std::size_t p = 0; p < length; ++p) {
            std::vector<int> codes;
            for (std::size_t i : g.courses)
                for (int code : courses[i].positions[p]) AddDistinct(codes, code);
            if (static_cast<int>(codes.size()) > kMostAlternatives)
                refusals.push_back({file, g.line,
                                    "class " + g.name + ", control " + std::to_string(p + 1) + ": its courses " + names +
                                        " need " + std::to_string(codes.size()) + " codes (" + JoinCodes(codes) +
                                        "); Quilo holds three alternatives a control: give the class fewer variants"});
            k.positions.push_back(ToAlternatives(codes));
        }
        for (std::size_t i : g.courses)
            for (int code : courses[i].finish) AddDistinct(finish, code);
        if (static_cast<int>(finish.size()) > kMostAlternatives)
            refusals.push_back({file, g.line,
                                "class " + g.name + ": its courses " + names + " end at " + std::to_string(finish.size()) +
                                    " finish codes (" + JoinCodes(finish) +
                                    "); Quilo holds three: give the class fewer finish codes"});
        k.finish = ToAlternatives(finish);
        classes.push_back(std::move(k));
    }
    if (classes.empty()) refusals.push_back({file, lines.Of(race), "defines no course: export the courses too"});
    return classes;
}

namespace {

void ClassIds(IofEntry& e, const pugi::xml_node& cls) {
    e.ids.classId = Text(Child(cls, "Id"));
    e.ids.className = e.className;
    e.ids.classShortName = Text(Child(cls, "ShortName"));
}

} // namespace

std::vector<IofEntry> ReadIofEntries(std::string_view bytes, const std::string& file, IofKind kind,
                                     std::vector<Refusal>& refusals) {
    pugi::xml_document doc;
    const pugi::xml_node root = Root(doc, bytes, file, kind, refusals);
    if (!root) return {};
    const LineIndex lines(bytes);
    std::vector<IofEntry> entries;

    auto person = [&](const pugi::xml_node& holder, const std::string& className) {
        IofEntry e;
        e.line = lines.Of(holder);
        e.className = className;
        const pugi::xml_node p = Child(holder, "Person");
        const pugi::xml_node name = Child(p, "Name");
        const std::string family = Text(Child(name, "Family")), given = Text(Child(name, "Given"));
        e.name = given.empty() ? family : family.empty() ? given : family + " " + given;
        e.extra = WholeNumberText(Text(Child(p, "Id"))).value_or(0);
        const pugi::xml_node club = Child(holder, "Organisation");
        e.club = Text(Child(club, "ShortName"));
        if (e.club.empty()) e.club = Text(Child(club, "Name"));
        for (const pugi::xml_node& id : Children(p, "Id"))
            e.ids.personIds.emplace_back(id.attribute("type").as_string(), Text(id));
        e.ids.family = family;
        e.ids.given = given;
        e.ids.orgId = Text(Child(club, "Id"));
        e.ids.orgName = Text(Child(club, "Name"));
        e.ids.orgShortName = Text(Child(club, "ShortName"));
        const pugi::xml_node country = Child(club, "Country");
        e.ids.countryCode = country.attribute("code").as_string();
        e.ids.countryName = Text(country);
        return e;
    };
    auto refuseTeam = [&](const pugi::xml_node& team, const char* element, const std::string& className) {
        const std::string name = Text(Child(team, "Name"));
        refusals.push_back({file, lines.Of(team),
                            "team " + name + (className.empty() ? "" : " in class " + className) + " (" + element +
                                "): Quilo holds no relays: import the individual classes only"});
    };

    if (kind == IofKind::StartList) {
        for (const pugi::xml_node& cs : Children(root, "ClassStart")) {
            const pugi::xml_node cls = Child(cs, "Class");
            const std::string className = Text(Child(cls, "Name"));
            for (const pugi::xml_node& team : Children(cs, "TeamStart")) refuseTeam(team, "TeamStart", className);
            for (const pugi::xml_node& ps : Children(cs, "PersonStart")) {
                IofEntry e = person(ps, className);
                ClassIds(e, cls);
                const pugi::xml_node start = Child(ps, "Start");
                e.card = Text(Child(start, "ControlCard"));
                const std::string bib = Text(Child(start, "BibNumber"));
                if (!bib.empty()) {
                    if (auto n = WholeNumberText(bib)) e.bib = *n;
                    else
                        refusals.push_back({file, lines.Of(Child(start, "BibNumber")),
                                            e.name + ": bib " + bib + " is not a whole number: give a numeric bib"});
                }
                const pugi::xml_node time = Child(start, "StartTime");
                const std::string when = Text(time);
                if (when.empty())
                    refusals.push_back({file, e.line,
                                        e.name + " has no start time (StartTime): give every competitor one, or import "
                                                 "the EntryList with --first-start and --interval"});
                else if (!(e.start = LocalTimeOfDay(when)))
                    refusals.push_back(
                        {file, lines.Of(time),
                         e.name + ": start time " + when + " is not a time of day in whole seconds: give whole seconds"});
                entries.push_back(std::move(e));
            }
        }
    } else {
        for (const pugi::xml_node& team : Children(root, "TeamEntry")) refuseTeam(team, "TeamEntry", "");
        for (const pugi::xml_node& pe : Children(root, "PersonEntry")) {
            IofEntry e = person(pe, Text(Child(Child(pe, "Class"), "Name")));
            ClassIds(e, Child(pe, "Class"));
            e.card = Text(Child(pe, "ControlCard"));
            entries.push_back(std::move(e));
        }
    }
    return entries;
}

} // namespace quilo
