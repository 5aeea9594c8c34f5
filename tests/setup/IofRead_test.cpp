// The IOF XML readers on small documents: each refusal a user's file can earn, and the
// forms of names, times and numbers the exporting programs write.
#include "setup/IofRead.h"

#include "TestSupport.h"
#include "setup/IofSchema.h"

#include <gtest/gtest.h>

namespace quilo {
namespace {

using test::Strings;

const std::string kNs = "xmlns=\"http://www.orienteering.org/datastandard/3.0\"";

Strings Texts(const std::vector<Refusal>& refusals) {
    Strings out;
    for (const Refusal& r : refusals) out.push_back(RefusalText(r));
    return out;
}

// A CourseData document: its root on line 1, `race` from line 2.
std::string Courses(const std::string& race) {
    return "<CourseData " + kNs + " iofVersion=\"3.0\">\n" + race + "</CourseData>\n";
}

// A course of the controls given (one CourseControl a line) ending at finish 100.
std::string Course(const std::string& name, const Strings& controls, const std::string& family = "") {
    std::string out =
        "<Course><Name>" + name + "</Name>" + (family.empty() ? "" : "<CourseFamily>" + family + "</CourseFamily>");
    for (const std::string& c : controls) out += "<CourseControl><Control>" + c + "</Control></CourseControl>";
    return out + "<CourseControl type=\"Finish\"><Control>100</Control></CourseControl></Course>\n";
}

std::string Assign(const std::string& cls, const std::string& course, const std::string& family = "") {
    return "<ClassCourseAssignment><ClassName>" + cls + "</ClassName>" +
           (course.empty() ? "" : "<CourseName>" + course + "</CourseName>") +
           (family.empty() ? "" : "<CourseFamily>" + family + "</CourseFamily>") + "</ClassCourseAssignment>\n";
}

Alternatives A(int a, int b = 0, int c = 0) { return {a, b, c}; }

TEST(IofReadRoot, WrongDocumentsNameTheWayOut) {
    const struct {
        const char* what;
        std::string bytes;
        IofKind kind;
        std::string refusal;
    } cases[] = {
        {"not XML", "<CourseData><Course>", IofKind::CourseData,
         "f.xml: is not XML (Start-end tags mismatch): give the file as exported"},
        {"an EntryList as courses", "<EntryList " + kNs + " iofVersion=\"3.0\"/>", IofKind::CourseData,
         "f.xml:1: holds EntryList, not CourseData: give it with --entries"},
        {"a StartList as entries", "\n<StartList " + kNs + " iofVersion=\"3.0\"/>", IofKind::EntryList,
         "f.xml:2: holds StartList, not EntryList: give it with --starts"},
        {"a CourseData as starts", "<CourseData " + kNs + " iofVersion=\"3.0\"/>", IofKind::StartList,
         "f.xml:1: holds CourseData, not StartList: give it with --courses"},
        {"a ResultList", "<ResultList " + kNs + " iofVersion=\"3.0\"/>", IofKind::StartList,
         "f.xml:1: is no IOF XML StartList (its root element is ResultList): export the StartList as IOF XML 3.0"},
        {"IOF XML 2.0", "<CourseData iofVersion=\"2.0.3\"/>", IofKind::CourseData,
         "f.xml:1: is not IOF XML 3.0 (iofVersion is not 3.0): export it as IOF XML 3.0"},
        {"no version", "<EntryList " + kNs + "/>", IofKind::EntryList,
         "f.xml:1: is not IOF XML 3.0 (iofVersion is not 3.0): export it as IOF XML 3.0"},
    };
    for (const auto& c : cases) {
        std::vector<Refusal> refusals;
        if (c.kind == IofKind::CourseData) EXPECT_TRUE(ReadIofCourseData(c.bytes, "f.xml", {}, refusals).empty());
        else EXPECT_TRUE(ReadIofEntries(c.bytes, "f.xml", c.kind, refusals).empty());
        EXPECT_EQ(Texts(refusals), Strings{c.refusal}) << c.what;
    }
}

TEST(IofReadCourses, RefusalsOfTheRace) {
    const std::string race = Course("A", {"31"});
    const struct {
        const char* what;
        std::string race;
        std::vector<int> finishCodes;
        Strings refusals;
    } cases[] = {
        {"no race",
         "",
         {},
         {"f.xml:1: holds 0 races (RaceCourseData); Quilo holds one race: export the course data of one race"}},
        {"two races",
         "<RaceCourseData>" + race + "</RaceCourseData>\n<RaceCourseData>" + race + "</RaceCourseData>\n",
         {},
         {"f.xml:1: holds 2 races (RaceCourseData); Quilo holds one race: export the course data of one race"}},
        {"a race without courses",
         "<RaceCourseData>\n</RaceCourseData>\n",
         {},
         {"f.xml:2: defines no course: export the courses too"}},
        {"control code 0",
         "<RaceCourseData>\n<Control><Id>0</Id></Control>\n" + Course("A", {"0"}) + "</RaceCourseData>\n",
         {},
         {"f.xml:4: course A: control 0 has no code the finish can read (a positive whole number as Id or PunchingUnitId): "
          "give it one in the course-setting software"}},
        {"punching unit 0 and a negative one",
         "<RaceCourseData>\n<Control><Id>K1</Id><PunchingUnitId>0</PunchingUnitId><PunchingUnitId>-3</PunchingUnitId></"
         "Control>\n" +
             Course("A", {"K1"}) + "</RaceCourseData>\n",
         {},
         {"f.xml:4: course A: control K1 has no code the finish can read (a positive whole number as Id or "
          "PunchingUnitId): give it one in the course-setting software"}},
        {"a code past 32 bits",
         "<RaceCourseData>\n" + Course("A", {"4294967327"}) + "</RaceCourseData>\n",
         {},
         {"f.xml:3: course A: control 4294967327 has no code the finish can read (a positive whole number as Id or "
          "PunchingUnitId): give it one in the course-setting software"}},
        {"four finish codes",
         "<RaceCourseData>\n<Control><Id>F1</Id><PunchingUnitId>100</PunchingUnitId><PunchingUnitId>101</PunchingUnitId>"
         "<PunchingUnitId>102</PunchingUnitId><PunchingUnitId>103</PunchingUnitId></Control>\n"
         "<Course><Name>A</Name><CourseControl><Control>31</Control></CourseControl>"
         "<CourseControl type=\"Finish\"><Control>F1</Control></CourseControl></Course>\n</RaceCourseData>\n",
         {},
         {"f.xml:4: course A: its finish has 4 codes (100, 101, 102, 103); Quilo holds three: keep three"}},
        {"finish codes given for a finish without one, one too many",
         "<RaceCourseData>\n<Course><Name>A</Name><CourseControl><Control>31</Control></CourseControl>"
         "<CourseControl type=\"Finish\"><Control>F</Control></CourseControl></Course>\n</RaceCourseData>\n",
         {100, 101, 102, 103},
         {"f.xml:3: course A: its finish has 4 codes (100, 101, 102, 103); Quilo holds three: keep three"}},
        {"a family's courses of different lengths",
         "<RaceCourseData>\n" + Course("A1", {"31", "32"}, "A") + Course("A2", {"31"}, "A") + Course("A3", {"33", "32"}, "A") +
             "</RaceCourseData>\n",
         {},
         {"f.xml:3: class A runs courses A1 (2 controls), A2 (1 controls), A3 (2 controls): forked courses are merged control "
          "by control "
          "and need the same number of controls: give the class courses of one length"}},
        {"a family's finishes, four codes together",
         "<RaceCourseData>\n"
         "<Course><Name>A1</Name><CourseFamily>A</CourseFamily><CourseControl><Control>31</Control></CourseControl>"
         "<CourseControl type=\"Finish\"><Control>100</Control><Control>101</Control></CourseControl></Course>\n"
         "<Course><Name>A2</Name><CourseFamily>A</CourseFamily><CourseControl><Control>31</Control></CourseControl>"
         "<CourseControl type=\"Finish\"><Control>102</Control><Control>103</Control></CourseControl></Course>\n"
         "</RaceCourseData>\n",
         {},
         {"f.xml:3: class A: its courses A1 (1 controls), A2 (1 controls) end at 4 finish codes (100, 101, 102, 103); "
          "Quilo holds three: give the class fewer finish codes"}},
        {"an assignment of no course",
         "<RaceCourseData>\n" + race + Assign("M21", "") + "</RaceCourseData>\n",
         {},
         {"f.xml:4: class M21 is assigned no course (CourseName or CourseFamily): assign a course of the file"}},
        {"an assignment of a family the file lacks",
         "<RaceCourseData>\n" + race + Assign("M21", "", "Long") + "</RaceCourseData>\n",
         {},
         {"f.xml:4: class M21 is assigned course family Long, which the file does not define: assign a course of the "
          "file"}},
        {"an assignment of a course outside its family",
         "<RaceCourseData>\n" + race + Assign("M21", "A", "Long") + "</RaceCourseData>\n",
         {},
         {"f.xml:4: class M21 is assigned course A of family Long, which the file does not define: assign a course of "
          "the file"}},
    };
    for (const auto& c : cases) {
        std::vector<Refusal> refusals;
        (void)ReadIofCourseData(Courses(c.race), "f.xml", c.finishCodes, refusals);
        EXPECT_EQ(Texts(refusals), c.refusals) << c.what;
    }
}

TEST(IofReadCourses, WhatTheExportersWriteIsRead) {
    const struct {
        const char* what;
        std::string bytes;
        std::vector<CourseClass> classes;
    } cases[] = {
        {"namespace prefixes, comments and blanks around the codes",
         "<?xml version=\"1.0\"?>\n<iof:CourseData xmlns:iof=\"http://www.orienteering.org/datastandard/3.0\" "
         "iofVersion=\"3.0\">\n<iof:RaceCourseData><!-- exported -->\n"
         "<iof:Control><iof:Id> K1 </iof:Id><iof:PunchingUnitId>\n\t41\r\n</iof:PunchingUnitId></iof:Control>\n"
         "<iof:Course><iof:Name>Long</iof:Name><iof:CourseControl><iof:Control>K1</iof:Control></iof:CourseControl>"
         "<iof:CourseControl type=\"Finish\"><iof:Control>100</iof:Control></iof:CourseControl></iof:Course>\n"
         "</iof:RaceCourseData>\n</iof:CourseData>\n",
         {{"Long", {A(41)}, A(100)}}},
        {"a class assigned one course twice, and by name and family",
         Courses("<RaceCourseData>\n" + Course("A1", {"31"}, "A") + Course("A2", {"32"}, "A") + Assign("W21", "A1") +
                 Assign("W21", "A1") + Assign("W21", "A2", "A") + "</RaceCourseData>\n"),
         {{"W21", {A(31, 32)}, A(100)}}},
        {"without assignments: a lone course and a family, each one class",
         Courses("<RaceCourseData>\n" + Course("Short", {"31"}) + Course("B1", {"33"}, "B") + Course("B2", {"34"}, "B") +
                 "</RaceCourseData>\n"),
         {{"Short", {A(31)}, A(100)}, {"B", {A(33, 34)}, A(100)}}},
        {"names broken over lines",
         Courses("<RaceCourseData>\n<Course><Name>\n  Long\r\n  course\t</Name><CourseControl><Control>31</Control>"
                 "</CourseControl><CourseControl type=\"Finish\"><Control>100</Control></CourseControl></Course>\n"
                 "</RaceCourseData>\n"),
         {{"Long course", {A(31)}, A(100)}}},
    };
    for (const auto& c : cases) {
        std::vector<Refusal> refusals;
        EXPECT_EQ(ReadIofCourseData(c.bytes, "f.xml", {}, refusals), c.classes) << c.what;
        EXPECT_EQ(Texts(refusals), Strings{}) << c.what;
    }
}

// A StartList of one PersonStart; `person` and `start` the insides of Person and Start.
std::string OneStart(const std::string& person, const std::string& org, const std::string& start) {
    return "<StartList " + kNs + " iofVersion=\"3.0\">\n<ClassStart><Class><Name>W21</Name></Class>\n<PersonStart>\n<Person>" +
           person + "</Person>\n" + org + "\n<Start>" + start + "</Start>\n</PersonStart>\n</ClassStart>\n</StartList>\n";
}

TEST(IofReadEntries, PeopleAndClubs) {
    const std::string start = "<StartTime>2026-12-08T10:00:00</StartTime><ControlCard>20001</ControlCard>";
    const struct {
        const char* what;
        std::string person, org;
        std::string name, club;
        int extra;
    } cases[] = {
        {"family and given", "<Name><Family>Berg</Family><Given>Anna</Given></Name>", "", "Berg Anna", "", 0},
        {"given only", "<Name><Family/><Given>Anna</Given></Name>", "", "Anna", "", 0},
        {"family only", "<Name><Family>Berg</Family></Name>", "", "Berg", "", 0},
        {"blanks and line ends inside", "<Name><Family>\n  van  der\tBerg </Family><Given>\r\n Anna\r\n Lena </Given></Name>",
         "", "van der Berg Anna Lena", "", 0},
        {"the short name before the name", "<Name><Family>B</Family></Name>",
         "<Organisation><Name>Orienteering Club Kyoto</Name><ShortName>OC Kyoto</ShortName></Organisation>", "B", "OC Kyoto",
         0},
        {"the name without a short one", "<Name><Family>B</Family></Name>",
         "<Organisation><Name>Orienteering Club Kyoto</Name></Organisation>", "B", "Orienteering Club Kyoto", 0},
        {"a numeric id is the extra number", "<Id>12345</Id><Name><Family>B</Family></Name>", "", "B", "", 12345},
        {"an id past 32 bits is none", "<Id>99999999999</Id><Name><Family>B</Family></Name>", "", "B", "", 0},
        {"a lettered id is none", "<Id>SWE-77</Id><Name><Family>B</Family></Name>", "", "B", "", 0},
    };
    for (const auto& c : cases) {
        std::vector<Refusal> refusals;
        const std::vector<IofEntry> entries =
            ReadIofEntries(OneStart(c.person, c.org, start), "s.xml", IofKind::StartList, refusals);
        EXPECT_EQ(Texts(refusals), Strings{}) << c.what;
        ASSERT_EQ(entries.size(), 1u) << c.what;
        EXPECT_EQ(entries[0].name, c.name) << c.what;
        EXPECT_EQ(entries[0].club, c.club) << c.what;
        EXPECT_EQ(entries[0].extra, c.extra) << c.what;
    }
}

TEST(IofReadEntries, StartRefusals) {
    const std::string anna = "<Name><Family>Berg</Family><Given>Anna</Given></Name>";
    const struct {
        const char* what;
        std::string start;
        std::string refusal;
    } cases[] = {
        {"a bib past 32 bits", "<BibNumber>4294967297</BibNumber><StartTime>2026-12-08T10:00:00Z</StartTime>",
         "s.xml:6: Berg Anna: bib 4294967297 is not a whole number: give a numeric bib"},
        {"an hour past 23", "<StartTime>2026-12-08T24:00:00+09:00</StartTime>",
         "s.xml:6: Berg Anna: start time 2026-12-08T24:00:00+09:00 is not a time of day in whole seconds: give whole seconds"},
        {"hundredths", "<StartTime>2026-12-08T10:00:00.25</StartTime>",
         "s.xml:6: Berg Anna: start time 2026-12-08T10:00:00.25 is not a time of day in whole seconds: give whole seconds"},
        {"no start time", "<ControlCard>20001</ControlCard>",
         "s.xml:3: Berg Anna has no start time (StartTime): give every competitor one, or import the EntryList with "
         "--first-start and --interval"},
    };
    for (const auto& c : cases) {
        std::vector<Refusal> refusals;
        (void)ReadIofEntries(OneStart(anna, "", c.start), "s.xml", IofKind::StartList, refusals);
        EXPECT_EQ(Texts(refusals), Strings{c.refusal}) << c.what;
    }
}

TEST(IofReadEntries, RelayTeamsOfAStartListNamedWithTheirClass) {
    const std::string bytes =
        "<StartList " + kNs +
        " iofVersion=\"3.0\">\n<ClassStart><Class><Name>H21</Name></Class>\n"
        "<TeamStart><Name>Club 1</Name></TeamStart>\n</ClassStart>\n"
        "<ClassStart><Class/>\n<TeamStart><Name>Club 2</Name></TeamStart>\n</ClassStart>\n</StartList>\n";
    std::vector<Refusal> refusals;
    EXPECT_TRUE(ReadIofEntries(bytes, "s.xml", IofKind::StartList, refusals).empty());
    EXPECT_EQ(Texts(refusals),
              (Strings{"s.xml:3: team Club 1 in class H21 (TeamStart): Quilo holds no relays: import the individual "
                       "classes only",
                       "s.xml:6: team Club 2 (TeamStart): Quilo holds no relays: import the individual classes only"}));
}

TEST(IofReadNumbers, TimesOfDayOutOfRangeOrMalformed) {
    const char* refused[] = {
        "2011-07-30T10:60:00",      "2011-07-30T10:00:60",      "2011-7-30T10:00:00",        "2011-07-3T10:00:00",
        "2011-07-30T1:00:00",       "2011-07-30T10:0:00",       "2011-07-30T10:00:0",        "2011/07/30T10:00:00",
        "2011-07/30T10:00:00",      "2011-07-30T10-00:00",      "2011-07-30T10:00-00",       "2011-07-30T10:00:00+01-00",
        "2011-07-30T10:00:00+1:00", "2011-07-30T10:00:00+01:0", "2011-07-30T10:00:00*01:00", "2011-07-30T10:00:00 ",
        "2011-07-30T10:00:00.Z0",   "2011-07-30T10:00:00.01Z",  "2011-07-30T10:00:00+0a:00", "2011-07-30T10:00:00+01:0a",
    };
    for (const char* t : refused) EXPECT_EQ(LocalTimeOfDay(t), std::nullopt) << t;
    EXPECT_EQ(LocalTimeOfDay("2011-07-30T10:00:00.00-03:30"), Time::Hms(10, 0, 0));
    EXPECT_EQ(LocalTimeOfDay("2011-07-30T10:00:00."), Time::Hms(10, 0, 0));
    EXPECT_EQ(WholeNumberText("-2147483648"), INT32_MIN);
    EXPECT_EQ(WholeNumberText("-2147483649"), std::nullopt);
    EXPECT_EQ(WholeNumberText("-12345678901"), std::nullopt);
}

TEST(IofSchemaProblems, NamedByLineAndCapped) {
    // Three Course elements without a Name each break the schema on their own line.
    std::string race = "<RaceCourseData>\n";
    for (int i = 0; i < 3; ++i) race += "<Course><CourseControl><Control>31</Control></CourseControl></Course>\n";
    const std::string bytes =
        "<?xml version=\"1.0\"?>\n" + Courses("<Event><Name>E</Name></Event>\n" + race + "</RaceCourseData>\n");
    const std::vector<SchemaProblem> all = CheckIofSchema(bytes);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ((std::vector<int>{all[0].line, all[1].line, all[2].line}), (std::vector<int>{5, 6, 7}));
    EXPECT_EQ(CheckIofSchema(bytes, 1).size(), 1u);
    const std::vector<SchemaProblem> oldVersion =
        CheckIofSchema("<?xml version=\"1.0\"?>\n<CourseData " + kNs +
                       " iofVersion=\"2.0.3\">\n<Event><Name>E</Name></Event>\n</CourseData>\n");
    ASSERT_FALSE(oldVersion.empty());
    EXPECT_EQ(oldVersion[0].line, 2);
    EXPECT_NE(oldVersion[0].message.find("iofVersion"), std::string::npos) << oldVersion[0].message;
}

} // namespace
} // namespace quilo
