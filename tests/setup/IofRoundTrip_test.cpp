// Random events through IOF XML and back: the tables of an event built with the test
// support's builder are written as CourseData and StartList by a small writer here,
// imported, and the files written must read back as the same tables.
//
//   QUILO_ROUNDTRIP_EVENTS=N   how many events (default 2000; every 100th is written to
//                              disk, the others read back from the bytes the import
//                              would write, since each file written is synced)
//   QUILO_ROUNDTRIP_SEED=S     first seed (event i uses S + i)
#include "EventBuilder.h"
#include "TestSupport.h"
#include "readers/CourseFile.h"
#include "readers/StartList.h"
#include "setup/IofImport.h"
#include "setup/IofSchema.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <sstream>

namespace quilo {
namespace {

using test::EventBuilder;
using test::TempDir;

long EnvNumber(const char* name, long fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtol(v, nullptr, 10) : fallback;
}

const char* const kFamilies[] = {"山田", "佐藤", "鈴木", "髙橋", "渡邊", "Berg", "O'Neil", "Mueller", "ｶﾀｶﾅ"};
const char* const kGiven[] = {"太郎", "花子", "Anna Lena", "Jo", "ゆい", ""};
const char* const kClubs[] = {"東京OLC", "Club, East", "京都大学OLC", "OK Linne", "", "Ｔｅａｍ　全角"};
const char* const kClasses[] = {"M21E", "W21E", "女子A", "男子B", "M21:Short", "H35, open", "OPEN"};

// A random event of the shapes the import takes: every class with its course (up to
// 30 positions of up to three codes, up to three finish codes), competitors with
// leading-zero cards, Japanese names and clubs, spare cards at the end.
void BuildRandomEvent(EventBuilder& b, std::mt19937& rng) {
    auto uniform = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    Event& ev = b.Tables();
    const int classes = uniform(1, 12);
    ev.EnsureClassEntries(classes);
    for (int c = 0; c < classes; ++c) {
        ev.ClassNames[static_cast<std::size_t>(c)] = std::string(kClasses[uniform(0, 6)]) + "-" + std::to_string(c);
        std::vector<std::vector<int>> positions(static_cast<std::size_t>(uniform(0, 30)));
        for (auto& codes : positions) {
            const int n = uniform(0, 5) == 0 ? uniform(2, 3) : 1;
            while (static_cast<int>(codes.size()) < n) {
                const int code = uniform(31, 299);
                if (std::find(codes.begin(), codes.end(), code) == codes.end()) codes.push_back(code);
            }
        }
        b.Course(c, positions, 0);
        std::vector<int> finish{uniform(1, 30)};
        if (uniform(0, 3) == 0) finish.push_back(finish[0] + 300);
        if (uniform(0, 5) == 0) finish.push_back(finish[0] + 600);
        for (std::size_t a = 0; a < finish.size(); ++a) ev.CourseControls[c][kFinishPosition][a] = finish[a];
    }
    ev.LastClassIndex = classes - 1;

    std::set<int> cards;
    auto newCard = [&] {
        int card;
        do card = uniform(1, 99999);
        while (!cards.insert(card).second);
        char text[8];
        std::snprintf(text, sizeof text, "%05d", card);
        return std::string(text);
    };
    for (int c = 0; c < classes; ++c) {
        const int competitors = uniform(0, 8);
        for (int k = 0; k < competitors; ++k) {
            const std::string given = kGiven[uniform(0, 5)];
            const std::string name = std::string(kFamilies[uniform(0, 8)]) + (given.empty() ? "" : " " + given);
            EntryRecord& r = b.Add(c, Time(uniform(0, 86399)), uniform(0, 9999), 0, "",
                                   uniform(0, 3) == 0 ? 0 : uniform(1, 99999), kClubs[uniform(0, 5)]);
            r.Name = name;
            const std::string card = newCard();
            r.EcardNumber = std::stoi(card);
            b.Card(card, c, ev.ClassEntryCount[static_cast<std::size_t>(c)]);
        }
    }
    for (int s = uniform(0, 4); s > 0; --s) b.Spare(newCard());
}

pugi::xml_node Root(pugi::xml_document& doc, const char* kind) {
    pugi::xml_node root = doc.append_child(kind);
    root.append_attribute("xmlns") = "http://www.orienteering.org/datastandard/3.0";
    root.append_attribute("iofVersion") = "3.0";
    root.append_child("Event").append_child("Name").text() = "Round trip";
    return root;
}

void Add(pugi::xml_node parent, const char* name, const std::string& text) { parent.append_child(name).text() = text.c_str(); }

std::string Xml(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

// CourseData of the classes: a class with alternatives is written either as one course
// whose CourseControls hold several Controls, or as forked courses of one family, each
// variant taking one alternative, all assigned to the class. Some codes go through a
// Control's PunchingUnitId.
std::string CourseDataXml(const std::vector<CourseClass>& classes, std::mt19937& rng) {
    auto uniform = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    pugi::xml_document doc;
    pugi::xml_node race = Root(doc, "CourseData").append_child("RaceCourseData");
    std::set<int> viaUnit;
    for (int code = 31; code < 300; ++code)
        if (uniform(0, 3) == 0) {
            viaUnit.insert(code);
            pugi::xml_node control = race.append_child("Control");
            Add(control, "Id", "K" + std::to_string(code));
            Add(control, "PunchingUnitId", std::to_string(code));
        }
    auto controlId = [&](int code) { return viaUnit.count(code) ? "K" + std::to_string(code) : std::to_string(code); };
    std::vector<std::pair<std::string, std::string>> assignments;
    for (std::size_t c = 0; c < classes.size(); ++c) {
        const CourseClass& k = classes[c];
        std::size_t variants = 1;
        for (const Alternatives& a : k.positions)
            variants = std::max<std::size_t>(variants, static_cast<std::size_t>(
                                                           std::count_if(a.begin(), a.end(), [](int x) { return x != 0; })));
        const bool forked = variants > 1 && uniform(0, 1) == 0;
        const std::size_t courses = forked ? variants : 1;
        for (std::size_t v = 0; v < courses; ++v) {
            const std::string name = "Course " + std::to_string(c) + "." + std::to_string(v);
            pugi::xml_node course = race.append_child("Course");
            Add(course, "Name", name);
            if (forked) Add(course, "CourseFamily", "Family " + std::to_string(c));
            pugi::xml_node start = course.append_child("CourseControl");
            start.append_attribute("type") = "Start";
            Add(start, "Control", "S1");
            for (const Alternatives& a : k.positions) {
                pugi::xml_node cc = course.append_child("CourseControl");
                if (uniform(0, 1)) cc.append_attribute("type") = "Control";
                if (forked) {
                    Add(cc, "Control", controlId(a[v < kAlternatives && a[v] != 0 ? v : 0]));
                } else {
                    for (int code : a)
                        if (code != 0) Add(cc, "Control", controlId(code));
                }
            }
            pugi::xml_node finish = course.append_child("CourseControl");
            finish.append_attribute("type") = "Finish";
            for (int code : k.finish)
                if (code != 0) Add(finish, "Control", std::to_string(code));
            assignments.emplace_back(k.name, name);
        }
    }
    for (const auto& [cls, course] : assignments) {
        pugi::xml_node a = race.append_child("ClassCourseAssignment");
        Add(a, "ClassName", cls);
        Add(a, "CourseName", course);
    }
    return Xml(doc);
}

std::string Clock(Time t) { return FormatHhNnSs(t); }

// The StartList of the rows (spare rows left out: they go in the spare-card file).
std::string StartListXml(const std::vector<CourseClass>& classes, const std::vector<StartRow>& rows, std::mt19937& rng) {
    auto uniform = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const char* const zones[] = {"+09:00", "-03:30", ""};
    pugi::xml_document doc;
    pugi::xml_node root = Root(doc, "StartList");
    for (const CourseClass& k : classes) {
        pugi::xml_node cs;
        for (const StartRow& r : rows) {
            if (r.spare || r.className != k.name) continue;
            if (!cs) {
                cs = root.append_child("ClassStart");
                Add(cs.append_child("Class"), "Name", k.name);
            }
            pugi::xml_node ps = cs.append_child("PersonStart");
            pugi::xml_node person = ps.append_child("Person");
            if (r.extra != 0) Add(person, "Id", std::to_string(r.extra));
            pugi::xml_node name = person.append_child("Name");
            const std::size_t blank = r.name.find(' ');
            Add(name, "Family", r.name.substr(0, blank));
            Add(name, "Given", blank == std::string::npos ? std::string() : r.name.substr(blank + 1));
            if (!r.club.empty()) {
                pugi::xml_node org = ps.append_child("Organisation");
                const bool shortName = uniform(0, 1) == 0;
                Add(org, "Name", shortName ? "The long name of " + r.club : r.club);
                if (shortName) Add(org, "ShortName", r.club);
            }
            pugi::xml_node start = ps.append_child("Start");
            Add(start, "BibNumber", std::to_string(r.bib));
            Add(start, "StartTime", "2026-12-08T" + Clock(r.start) + zones[uniform(0, 2)]);
            Add(start, "ControlCard", r.card);
        }
    }
    return Xml(doc);
}

// "" when the event went through the import and back unchanged, else what differed.
std::string RoundTrip(std::uint32_t seed, bool toDisk) {
    std::mt19937 rng(seed);
    EventBuilder b;
    BuildRandomEvent(b, rng);
    const std::vector<CourseClass> classes = CourseClassesOf(*b);
    const std::vector<StartRow> rows = StartRowsOf(*b);

    TempDir dir;
    const std::string courseXml = CourseDataXml(classes, rng), startXml = StartListXml(classes, rows, rng);
    for (const std::string* xml : {&courseXml, &startXml})
        if (const auto problems = CheckIofSchema(*xml); !problems.empty())
            return "the test writer's XML fails the schema at line " + std::to_string(problems[0].line) + ": " +
                   problems[0].message + "\n" + *xml;
    test::WriteBytes(dir.File("courses.xml"), courseXml);
    test::WriteBytes(dir.File("starts.xml"), startXml);
    test::Strings spares;
    for (const StartRow& r : rows)
        if (r.spare) spares.push_back(r.card);
    test::WriteCp932(dir.File("spare.txt"), spares);
    const std::string folder = dir.Path() + "/event";
    std::filesystem::create_directory(folder);

    ImportOptions o{.folder = folder, .courses = dir.File("courses.xml"), .starts = dir.File("starts.xml")};
    o.spareCards = dir.File("spare.txt");
    auto ev = std::make_unique<Event>();
    Warnings course;
    StartListRead starts;
    if (toDisk) {
        const ImportOutcome out = RunImportJob(o);
        std::string failure;
        for (const Refusal& r : out.plan.refusals) failure += "refused: " + RefusalText(r) + "\n";
        for (const std::string& d : out.differences) failure += "difference: " + d + "\n";
        if (out.failure) failure += "write failed: " + out.failure->path + "\n";
        if (!failure.empty()) return failure;
        // Read back here too, with the readers as the station reads the folder.
        const Result<Warnings> c = ReadCourseFile(*ev, folder + "/Control.dat");
        const Result<StartListRead> s = ReadStartList(*ev, folder + "/Startlst.dat");
        if (!c || !s) return "the files written cannot be read";
        course = *c;
        starts = *s;
    } else {
        const ImportPlan plan = PlanImport(o);
        std::string failure;
        for (const Refusal& r : plan.refusals) failure += "refused: " + RefusalText(r) + "\n";
        if (!failure.empty()) return failure;
        course = ReadCourseText(*ev, CourseFileBytes(plan));
        starts = ReadStartListText(*ev, StartListBytes(plan));
    }
    if (!course.empty() || !starts.warnings.empty()) return "the files read back with warnings";
    const std::vector<CourseClass> classesBack = CourseClassesOf(*ev);
    const std::vector<StartRow> rowsBack = StartRowsOf(*ev);
    if (classesBack != classes) return "the classes differ";
    if (rowsBack != rows) {
        for (std::size_t n = 0; n < std::min(rows.size(), rowsBack.size()); ++n)
            if (!(rows[n] == rowsBack[n]))
                return "row " + std::to_string(n + 1) + " differs: " + StartListLine(rowsBack[n]).value_or("?") + " for " +
                       StartListLine(rows[n]).value_or("?");
        return "the row counts differ";
    }
    return "";
}

TEST(IofImportRoundTrip, RandomEventsComeBackAsTheyWent) {
    const long events = EnvNumber("QUILO_ROUNDTRIP_EVENTS", 2000);
    const long firstSeed = EnvNumber("QUILO_ROUNDTRIP_SEED", 20261208);
    for (long i = 0; i < events; ++i) {
        const auto seed = static_cast<std::uint32_t>(firstSeed + i);
        if (const std::string failure = RoundTrip(seed, i % 100 == 0); !failure.empty()) {
            ADD_FAILURE() << "seed " << seed << " (QUILO_ROUNDTRIP_SEED=" << seed << " QUILO_ROUNDTRIP_EVENTS=1)\n" << failure;
            return;
        }
    }
}

} // namespace
} // namespace quilo
