// The IOF XML import: the mapping into the event tables, every refusal's text, the
// official examples, and what is written (or not) in the event folder.
#include "setup/IofImport.h"

#include "TestSupport.h"
#include "core/Files.h"
#include "results/Identities.h"
#include "setup/IofSchema.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace quilo {
namespace {

using test::Strings;
using test::TempDir;

const std::string kData = std::string(QUILO_TEST_DATA) + "/iof/";
std::string Data(const std::string& name) { return kData + name; }

Alternatives A(int a, int b = 0, int c = 0) { return {a, b, c}; }

StartRow Row(const char* card, const char* cls, Time start, int bib, const char* name, int extra, const char* club) {
    return {card, false, cls, start, bib, name, extra, club};
}
StartRow Spare(const char* card) { return {card, true, "", Time(), 0, "", 0, ""}; }

// The refusals as printed, with the data folder left out of the paths.
Strings Texts(const std::vector<Refusal>& refusals) {
    Strings out;
    for (const Refusal& r : refusals) {
        std::string t = RefusalText(r);
        for (std::size_t at; (at = t.find(kData)) != std::string::npos;) t.erase(at, kData.size());
        out.push_back(t);
    }
    return out;
}

Strings FolderNames(const std::string& folder) {
    Strings names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const std::vector<CourseClass> kBasicClasses = {
    {"M21:E", {A(41), A(42, 142), A(53, 54)}, A(200)},
    {"女子A", {A(31, 33), A(32)}, A(100, 199)},
    {"W21", {A(41), A(42, 142), A(53, 54)}, A(200)},
};

TEST(IofNumbers, WholeNumberText) {
    const struct {
        const char* text;
        std::optional<int> value;
    } cases[] = {{"0", 0},
                 {"31", 31},
                 {"-7", -7},
                 {"00042", 42},
                 {"2147483647", 2147483647},
                 {"", std::nullopt},
                 {"-", std::nullopt},
                 {"1.0", std::nullopt},
                 {" 1", std::nullopt},
                 {"1e3", std::nullopt},
                 {"2147483648", std::nullopt},
                 {"12345678901", std::nullopt},
                 {"F", std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(WholeNumberText(c.text), c.value) << c.text;
}

TEST(IofNumbers, LocalTimeOfDay) {
    // "Z" is the one form that needs this computer's zone: a fixed one for the test.
    const char* oldTz = std::getenv("TZ");
    const std::string saved = oldTz ? oldTz : "";
    ::setenv("TZ", "JST-9", 1);
    ::tzset();
    const struct {
        const char* text;
        std::optional<Time> value;
    } cases[] = {
        {"2011-07-30T10:00:00+01:00", Time::Hms(10, 0, 0)},
        {"2011-07-30T23:59:59-05:00", Time::Hms(23, 59, 59)},
        {"2011-07-30T10:03:00", Time::Hms(10, 3, 0)},
        {"2011-07-30T10:03:00.000+09:00", Time::Hms(10, 3, 0)},
        {"2011-07-30T01:30:00Z", Time::Hms(10, 30, 0)},
        {"2011-07-30T20:00:00Z", Time::Hms(5, 0, 0)},
        {"2011-07-30T10:03:00.5", std::nullopt},
        {"2011-07-30T24:00:00", std::nullopt},
        {"2011-07-30 10:00:00", std::nullopt},
        {"10:00:00", std::nullopt},
        {"2011-07-30T10:00:00+0100", std::nullopt},
        {"2011-07-30T10:00", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(LocalTimeOfDay(c.text), c.value) << c.text;
    if (oldTz) ::setenv("TZ", saved.c_str(), 1);
    else ::unsetenv("TZ");
    ::tzset();
}

TEST(EventTablesText, SeparatedLineQuotesOnlyWhatNeedsIt) {
    const struct {
        Strings fields;
        const char* sep;
        std::optional<std::string> line;
    } cases[] = {
        {{"**", "M21"}, ":", "**:M21"},
        {{"**", "M21:E"}, ":", "**:\"M21:E\""},
        {{"01234", "W21", "10:00:00", "1", "Solo", "0", "Club, West"}, ",", "01234,W21,10:00:00,1,Solo,0,\"Club, West\""},
        {{"1", "O\"Hara", "2"}, ",", "1,\"O\"Hara\",2"},
        {{"1", "\"quoted\"", "2"}, ",", "1,\"\"quoted\"\",2"},
        {{"1", "A\",B", "2"}, ",", std::nullopt},
        {{"**", "H\":21"}, ":", std::nullopt},
        {{"1", "", ""}, ",", "1,,"},
    };
    for (const auto& c : cases) EXPECT_EQ(SeparatedLine(c.fields, c.sep), c.line) << c.fields[1];
}

TEST(IofImportMapping, CourseDataAndStartList) {
    TempDir dir;
    ImportOptions o{.folder = dir.Path(), .courses = Data("courses_basic.xml"), .starts = Data("starts_basic.xml")};
    o.finishCodes = {199};
    o.spareCards = Data("spare.txt");
    const ImportPlan plan = PlanImport(o);
    EXPECT_EQ(Texts(plan.refusals), Strings{});
    EXPECT_EQ(plan.classes, kBasicClasses);
    const std::vector<StartRow> rows = {
        Row("20001", "M21:E", Time::Hms(9, 30, 0), 101, "山田 太郎", 0, "東京OLC"),
        Row("20002", "M21:E", Time::Hms(9, 32, 0), 0, "Solo", 0, "Club, West"),
        Row("01234", "W21", Time::Hms(10, 1, 0), 12, "O\"Hara Kate", 77, "East OK"),
        Spare("90001"),
        Spare("90002"),
    };
    EXPECT_EQ(plan.rows, rows);
    EXPECT_TRUE(plan.notices.empty());
}

// The source files' ids go to Entries.xml, valid, and read back as the results read them.
TEST(IofImportMapping, EntriesXmlKeepsTheIds) {
    TempDir dir;
    ImportOptions o{.folder = dir.Path(), .courses = Data("courses_basic.xml"), .starts = Data("starts_basic.xml")};
    o.finishCodes = {199};
    const ImportOutcome out = RunImportJob(o);
    ASSERT_TRUE(out.Done());
    EXPECT_EQ(out.written.back(), dir.File("Entries.xml"));
    const std::string bytes = test::ReadBytes(dir.File("Entries.xml"));
    EXPECT_TRUE(CheckIofSchema(bytes).empty()) << bytes;
    const Identities ids = ParseIdentities(bytes);
    ASSERT_EQ(ids.People().size(), 3u);
    const Identity& yamada = ids.People()[0];
    EXPECT_EQ(yamada.personIds, (std::vector<std::pair<std::string, std::string>>{{"FED", "JPN-1"}}));
    EXPECT_EQ(yamada.orgShortName, "東京OLC");
    EXPECT_EQ(yamada.bib, 101);
    EXPECT_EQ(yamada.card, "20001");
    // A bib of 0 makes the bibs no key: the start list's card is.
    EXPECT_EQ(ids.Of(0, "01234"), &ids.People()[2]);
    EXPECT_EQ(ids.Of(12, "99999"), nullptr);
}

TEST(IofImportMapping, EntryListTakesStartsByClassAndRentalCardsInEntryOrder) {
    TempDir dir;
    ImportOptions o{.folder = dir.Path(), .courses = Data("courses_basic.xml"), .entries = Data("entries_basic.xml")};
    o.finishCodes = {199};
    o.firstStart = Time::Hms(11, 0, 0);
    o.interval = 90;
    o.rentalCards = Data("rental.txt");
    const ImportPlan plan = PlanImport(o);
    EXPECT_EQ(Texts(plan.refusals), Strings{});
    const std::vector<StartRow> rows = {
        Row("30001", "M21:E", Time::Hms(11, 0, 0), 1, "Berg Anna Lena", 0, ""),
        Row("40001", "W21", Time::Hms(11, 0, 0), 2, "鈴木 花子", 5, "Kyoto OK"),
        Row("30002", "W21", Time::Hms(11, 1, 30), 3, "Cole Ben", 0, ""),
        Row("40002", "W21", Time::Hms(11, 3, 0), 4, "Dahl", 0, ""),
    };
    EXPECT_EQ(plan.rows, rows);
    EXPECT_EQ(plan.notices, (Strings{"rental card 40001: 鈴木 花子 (W21, " + Data("entries_basic.xml") + ":4)",
                                     "rental card 40002: Dahl (W21, " + Data("entries_basic.xml") + ":19)"}));

    o.interval = 0; // a mass start
    for (const StartRow& r : PlanImport(o).rows) EXPECT_EQ(r.start, Time::Hms(11, 0, 0)) << r.name;
}

TEST(IofImportRefusals, CoursesQuiloCannotHoldEachNamed) {
    TempDir dir;
    const ImportPlan plan = PlanImport({.folder = dir.Path(), .courses = Data("courses_refused.xml")});
    const Strings expected = {
        "courses_refused.xml:93: class Missing is assigned course Nowhere, which the file does not define: assign a "
        "course of the file",
        "courses_refused.xml:10: course Lettered: control X1 has no code the finish can read (a positive whole number "
        "as Id or PunchingUnitId): give it one in the course-setting software",
        "courses_refused.xml:11: course Lettered: control K9 has no code the finish can read (a positive whole number "
        "as Id or PunchingUnitId): give it one in the course-setting software",
        "courses_refused.xml:16: course Four, control 1: 4 codes (31, 32, 33, 34); Quilo holds three alternatives a "
        "control: keep three",
        "courses_refused.xml:14: course Four: its finish has no numeric code: give the finish unit's code with "
        "--finish-code CODE",
        "courses_refused.xml:19: course Long has 31 controls; Quilo holds 30 and the finish: shorten the course",
        "courses_refused.xml:94: class Uneven runs courses V1 (2 controls), Three (3 controls): forked courses are "
        "merged control by control and need the same number of controls: give the class courses of one length",
        "courses_refused.xml:96: class Forked, control 1: its courses V1 (2 controls), V2 (2 controls), V3 (2 "
        "controls), V4 (2 controls) need 4 codes (31, 32, 33, 34); Quilo holds three alternatives a control: give the "
        "class fewer variants",
        "courses_refused.xml:100: class ** : the start list takes ** for a spare card: rename the class",
        "courses_refused.xml:101: class Ørsta has a character CP932 cannot write: rename the class",
        "courses_refused.xml:102: class H\":21: its \":\" and double quotes cannot be written so that Control.dat "
        "gives the name back whole: rename the class",
        "courses_refused.xml:103: a class has no name: name every class",
    };
    EXPECT_EQ(Texts(plan.refusals), expected);
}

TEST(IofImportRefusals, StartRowsQuiloCannotHoldEachNamed) {
    TempDir dir;
    ImportOptions o{.folder = dir.Path(), .courses = Data("courses_basic.xml"), .starts = Data("starts_refused.xml")};
    o.finishCodes = {199};
    o.spareCards = Data("spare_refused.txt");
    const std::string twice = "give each competitor and spare card its own card";
    const Strings expected = {
        "starts_refused.xml:24: Bib Letters: bib A5 is not a whole number: give a numeric bib",
        "starts_refused.xml:28: Half Second: start time 2026-12-08T10:05:00.5+09:00 is not a time of day in whole "
        "seconds: give whole seconds",
        "starts_refused.xml:30: Free Start has no start time (StartTime): give every competitor one, or import the "
        "EntryList with --first-start and --interval",
        "starts_refused.xml:59: team Relay Team in class H99 (TeamStart): Quilo holds no relays: import the "
        "individual classes only",
        "spare_refused.txt:2: E-card 9002 has 4 characters, and the finish log gives five: give a five-digit card",
        "starts_refused.xml:6: Six Digits: E-card 123456 has 6 characters, and the finish log gives five: give a "
        "five-digit card (or none, and --rental-cards)",
        "starts_refused.xml:10: Letter Card: E-card A1234 is not a number: give a five-digit card (or none, and "
        "--rental-cards)",
        "starts_refused.xml:18: E-card 20001 is given twice (also " + Data("starts_refused.xml") +
            ":14 First Holder): " + twice,
        "starts_refused.xml:34: the name Øvre Name has a character CP932 cannot write: spell it so",
        "starts_refused.xml:34: Øvre Name: the club Ålesund OK has a character CP932 cannot write: spell it so",
        "starts_refused.xml:39: Rental Wanted has no E-card (a rental card wanted): give the rental cards with "
        "--rental-cards FILE",
        "starts_refused.xml:43: Quote Comma: a field holds \",\" and double quotes so that Startlst.dat cannot give it "
        "back whole: remove the double quotes",
        "starts_refused.xml:51: class H99 (Lost Class and any others of it) is run on no course of " +
            Data("courses_basic.xml") + ": assign the class a course, or correct the entry's class",
        "spare_refused.txt:3: E-card 20001 is given twice (also " + Data("starts_refused.xml") + ":14 First Holder): " + twice,
    };
    Strings got = Texts(PlanImport(o).refusals);
    // The paths inside a text are printed whole; compare them with the data folder left out too.
    Strings want = expected;
    for (std::string& t : want)
        for (std::size_t at; (at = t.find(kData)) != std::string::npos;) t.erase(at, kData.size());
    EXPECT_EQ(got, want);
}

// What a refusal of the file as a whole says, each on its own small case.
TEST(IofImportRefusals, FilesAndFolder) {
    TempDir dir;
    test::WriteBytes(dir.File("not.xml"), "<CourseData><Course>\r\n");
    test::WriteBytes(dir.File("other.xml"),
                     "<?xml version=\"1.0\"?>\n<Other xmlns=\"http://www.orienteering.org/datastandard/3.0\"/>\n");
    test::WriteBytes(dir.File("rentals.txt"), "40001\r\n");
    const std::string folder = dir.Path() + "/event";
    std::filesystem::create_directory(folder);
    const std::string control = folder + "/Control.dat";
    const std::string startList = folder + "/Startlst.dat";

    const struct {
        const char* what;
        ImportOptions options;
        Strings files; // event files written first: Control.dat, then Startlst.dat
        std::string refusal;
    } cases[] = {
        {"not XML",
         {.folder = folder, .courses = dir.File("not.xml")},
         {},
         dir.File("not.xml") + ":2: not IOF XML 3.0 as the schema has it (not well-formed XML: Premature end of data in tag "
                               "Course line 1): export the file again as IOF XML 3.0"},
        {"another root",
         {.folder = folder, .courses = dir.File("other.xml")},
         {},
         dir.File("other.xml") +
             ":2: not IOF XML 3.0 as the schema has it (Element '{http://www.orienteering.org/datastandard/3.0}Other': No "
             "matching global declaration available for the validation root.): export the file again as IOF XML 3.0"},
        {"a start list as courses",
         {.folder = folder, .courses = Data("starts_basic.xml")},
         {},
         "starts_basic.xml:2: holds StartList, not CourseData: give it with --starts"},
        {"courses as entries",
         {.folder = folder, .entries = Data("courses_basic.xml"), .firstStart = Time::Hms(10, 0, 0)},
         {"**:W21", "99:100"},
         "courses_basic.xml:2: holds CourseData, not EntryList: give it with --courses"},
        {"missing file",
         {.folder = folder, .courses = dir.File("none.xml")},
         {},
         dir.File("none.xml") + ": cannot be read (No such file or directory): give a file that can"},
        {"no course file",
         {.folder = folder, .starts = Data("starts_basic.xml")},
         {},
         control + ": cannot be read (No such file or directory): give the course data with --courses"},
        {"course file kept",
         {.folder = folder, .courses = Data("CourseData_Individual_Step2.xml"), .finishCodes = {100}},
         {"**:Old"},
         control + ": exists already: give --force to replace it (the old one is kept as Control.dat.bak)"},
        {"start list kept",
         {.folder = folder, .starts = Data("starts_basic.xml")},
         {"**:\"M21:E\"", "99:1", "**:W21", "99:1", "20001,W21,10:00:00,1,X,0,"},
         startList + ": exists already: give --force to replace it (the old one is kept as Startlst.dat.bak)"},
        {"kept start list loses its class",
         {.folder = folder, .courses = Data("CourseData_Individual_Step2.xml"), .finishCodes = {100}, .force = true},
         {"**:M21", "99:1", "20001,M21,10:00:00,1,X,0,"},
         startList + ": names a class the new course data does not have: import the entries too (--entries or --starts), or "
                     "correct the class"},
        {"rental cards run out",
         {.folder = folder,
          .courses = Data("courses_basic.xml"),
          .entries = Data("entries_basic.xml"),
          .firstStart = Time::Hms(10, 0, 0),
          .finishCodes = {1},
          .rentalCards = dir.File("rentals.txt")},
         {},
         "entries_basic.xml:19: Dahl has no E-card, and " + dir.File("rentals.txt") +
             " has no card left (1 for 2 so far): add rental cards"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(control);
        std::filesystem::remove(startList);
        if (!c.files.empty()) {
            Strings course, starts;
            for (const std::string& l : c.files) (l.find(',') == std::string::npos ? course : starts).push_back(l);
            test::WriteCp932(control, course);
            if (!starts.empty()) test::WriteCp932(startList, starts);
        }
        const Strings before = FolderNames(folder);
        const ImportOutcome outcome = RunImportJob(c.options);
        Strings want{c.refusal};
        for (std::string& t : want)
            for (std::size_t at; (at = t.find(kData)) != std::string::npos;) t.erase(at, kData.size());
        EXPECT_EQ(Texts(outcome.plan.refusals), want) << c.what;
        EXPECT_TRUE(outcome.written.empty()) << c.what;
        EXPECT_EQ(FolderNames(folder), before) << c.what << ": a refused import wrote a file";
    }
}

TEST(IofImportExamples, BothCourseDataExamplesMergeTheirCourseFamily) {
    const std::vector<Alternatives> merged = {A(31), A(32, 34), A(33, 35), A(31), A(34, 32), A(35, 33), A(31), A(100)};
    TempDir dir;
    ImportOptions o{.folder = dir.Path(), .courses = Data("CourseData_Individual_Step2.xml"), .finishCodes = {100}};
    ImportOutcome two = RunImportJob(o);
    EXPECT_TRUE(two.Done()) << (two.plan.refusals.empty() ? "" : RefusalText(two.plan.refusals[0]));
    EXPECT_EQ(two.plan.classes, (std::vector<CourseClass>{{"Men Open", merged, A(100)}, {"Women Open", merged, A(100)}}));

    // Without class assignments the family is the class.
    o.courses = Data("CourseData_Individual_Step4.xml");
    o.force = true;
    ImportOutcome four = RunImportJob(o);
    EXPECT_TRUE(four.Done());
    EXPECT_EQ(four.plan.classes, (std::vector<CourseClass>{{"Open long", merged, A(100)}}));
    EXPECT_EQ(test::ReadCp932Lines(dir.File("Control.dat.bak"))[0], "**:Men Open");

    o.finishCodes.clear();
    EXPECT_EQ(Texts(PlanImport(o).refusals),
              (Strings{"CourseData_Individual_Step4.xml:66: course A: its finish has no numeric code: give the finish "
                       "unit's code with --finish-code CODE",
                       "CourseData_Individual_Step4.xml:136: course B: its finish has no numeric code: give the "
                       "finish unit's code with --finish-code CODE"}));
}

// The official start and entry lists have six-digit cards, which the finish log cannot give.
TEST(IofImportExamples, SixDigitCardsRefusedEachRowNamed) {
    TempDir dir;
    test::WriteCp932(dir.File("Control.dat"), {"**:Men Elite", "1:31", "99:100", "**:Open", "1:32", "99:100"});
    const std::string six =
        "has 6 characters, and the finish log gives five: give a five-digit card (or none, and "
        "--rental-cards)";
    ImportOptions starts{.folder = dir.Path(), .starts = Data("StartList1.xml")};
    EXPECT_EQ(Texts(PlanImport(starts).refusals), (Strings{"StartList1.xml:34: Wood George: E-card 794021 " + six,
                                                           "StartList1.xml:60: Martin Edgar: E-card 299482 " + six,
                                                           "StartList1.xml:92: Lawson Toni: E-card 973078 " + six}));
    ImportOptions entries{.folder = dir.Path(), .entries = Data("EntryList1.xml"), .firstStart = Time::Hms(10, 0, 0)};
    entries.rentalCards = Data("rental.txt");
    EXPECT_EQ(Texts(PlanImport(entries).refusals), (Strings{"EntryList1.xml:17: Wood George: E-card 794021 " + six,
                                                            "EntryList1.xml:59: Lawson Toni: E-card 973078 " + six}));
}

TEST(IofImportExamples, FiveDigitCopiesImport) {
    TempDir dir;
    test::WriteCp932(dir.File("Control.dat"), {"**:Open", "1:32", "99:100", "**:Men Elite", "1:31", "99:100"});
    const ImportOutcome starts = RunImportJob({.folder = dir.Path(), .starts = Data("StartList1_five_digit.xml")});
    ASSERT_TRUE(starts.Done()) << (starts.plan.refusals.empty() ? "" : RefusalText(starts.plan.refusals[0]));
    // Rows in the course file's class order.
    EXPECT_EQ(starts.plan.rows,
              (std::vector<StartRow>{Row("97307", "Open", Time::Hms(10, 20, 0), 0, "Lawson Toni", 3, "Doubtful Direction"),
                                     Row("79402", "Men Elite", Time::Hms(10, 0, 0), 101, "Wood George", 1,
                                         "OC Back and Forth"),
                                     Row("29948", "Men Elite", Time::Hms(10, 3, 0), 102, "Martin Edgar", 2, "Bushmen OC")}));
    EXPECT_EQ(starts.written, (Strings{dir.File("Startlst.dat"), dir.File("Entries.xml")}));

    ImportOptions entries{.folder = dir.Path(),
                          .entries = Data("EntryList1_five_digit.xml"),
                          .firstStart = Time::Hms(10, 0, 0)};
    entries.interval = 120;
    entries.force = true;
    EXPECT_EQ(Texts(PlanImport(entries).refusals),
              Strings{"EntryList1_five_digit.xml:37: Martin Edgar has no E-card (a rental card wanted): give the rental "
                      "cards with --rental-cards FILE"});
    entries.rentalCards = Data("rental.txt");
    const ImportOutcome entered = RunImportJob(entries);
    ASSERT_TRUE(entered.Done());
    EXPECT_EQ(entered.plan.rows,
              (std::vector<StartRow>{Row("97307", "Open", Time::Hms(10, 0, 0), 1, "Lawson Toni", 3, ""),
                                     Row("79402", "Men Elite", Time::Hms(10, 0, 0), 2, "Wood George", 1, "OC Back and Forth"),
                                     Row("40001", "Men Elite", Time::Hms(10, 2, 0), 3, "Martin Edgar", 2, "Bushmen OC")}));
    EXPECT_EQ(test::ReadBytes(dir.File("Startlst.dat.bak")),
              test::Cp932Bytes({"97307,Open,10:20:00,0,Lawson Toni,3,Doubtful Direction",
                                "79402,Men Elite,10:00:00,101,Wood George,1,OC Back and Forth",
                                "29948,Men Elite,10:03:00,102,Martin Edgar,2,Bushmen OC"}));
}

TEST(IofImportExamples, RelayEntryListRefusedAsTeamEntries) {
    TempDir dir;
    test::WriteCp932(dir.File("Control.dat"), {"**:Open", "1:31", "99:100"});
    const ImportPlan plan =
        PlanImport({.folder = dir.Path(), .entries = Data("EntryList2.xml"), .firstStart = Time::Hms(10, 0, 0)});
    EXPECT_EQ(Texts(plan.refusals),
              (Strings{"EntryList2.xml:26: team Forest Vagabonds 1 (TeamEntry): Quilo holds no relays: import the "
                       "individual classes only",
                       "EntryList2.xml:106: team Super Fast Orienteers / Unintentional Navigators (TeamEntry): Quilo "
                       "holds no relays: import the individual classes only"}));
}

TEST(IofImportWrite, FilesAreCp932CrLfAndReadBackAsPlanned) {
    TempDir dir;
    ImportOptions o{.folder = dir.Path(), .courses = Data("courses_basic.xml"), .starts = Data("starts_basic.xml")};
    o.finishCodes = {199};
    o.spareCards = Data("spare.txt");
    const ImportOutcome out = RunImportJob(o);
    ASSERT_TRUE(out.Done());
    EXPECT_EQ(out.written, (Strings{dir.File("Control.dat"), dir.File("Startlst.dat"), dir.File("Entries.xml")}));
    EXPECT_EQ(test::ReadBytes(dir.File("Control.dat")),
              test::Cp932Bytes({"**:\"M21:E\"", "1:41", "2:42",  "2:142", "3:53",   "3:54",   "99:200",
                                "**:女子A",     "1:31", "1:33",  "2:32",  "99:100", "99:199", "**:W21",
                                "1:41",         "2:42", "2:142", "3:53",  "3:54",   "99:200"}));
    EXPECT_EQ(test::ReadBytes(dir.File("Startlst.dat")),
              test::Cp932Bytes({"20001,M21:E,09:30:00,101,山田 太郎,0,東京OLC", "20002,M21:E,09:32:00,0,Solo,0,\"Club, West\"",
                                "01234,W21,10:01:00,12,\"O\"Hara Kate\",77,East OK", "90001,**", "90002,**"}));
    EXPECT_EQ(CompareReadBack(dir.Path(), out.plan), Strings{});
    EXPECT_FALSE(std::filesystem::exists(dir.File("Control.dat.bak")));

    // A file changed after the import no longer reads back as planned.
    test::WriteCp932(dir.File("Startlst.dat"), {"20001,M21:E,09:30:00,101,山田 太郎,0,東京OLC"});
    EXPECT_EQ(CompareReadBack(dir.Path(), out.plan), Strings{"Startlst.dat reads back 1 rows, not 5"});
    test::WriteCp932(dir.File("Control.dat"), {"**:M21:E", "1:41"});
    const Strings diffs = CompareReadBack(dir.Path(), out.plan);
    ASSERT_FALSE(diffs.empty());
    EXPECT_EQ(diffs[0], "Control.dat reads back 1 classes, not 3");
}

TEST(IofImportWrite, ForceKeepsTheOldFilesBeside) {
    TempDir dir;
    test::WriteCp932(dir.File("Control.dat"), {"**:Old", "1:31", "99:100"});
    test::WriteCp932(dir.File("Startlst.dat"), {"11111,Old,10:00:00,1,Old Name,0,Old Club"});
    const std::string oldCourse = test::ReadBytes(dir.File("Control.dat"));
    const std::string oldStarts = test::ReadBytes(dir.File("Startlst.dat"));
    ImportOptions o{.folder = dir.Path(), .courses = Data("courses_basic.xml"), .starts = Data("starts_basic.xml")};
    o.finishCodes = {199};
    o.force = true;
    ASSERT_TRUE(RunImportJob(o).Done());
    EXPECT_EQ(test::ReadBytes(dir.File("Control.dat.bak")), oldCourse);
    EXPECT_EQ(test::ReadBytes(dir.File("Startlst.dat.bak")), oldStarts);
    EXPECT_EQ(test::ReadCp932Lines(dir.File("Control.dat"))[0], "**:\"M21:E\"");
    EXPECT_EQ(FolderNames(dir.Path()),
              (Strings{"Control.dat", "Control.dat.bak", "Entries.xml", "Startlst.dat", "Startlst.dat.bak"}));
}

TEST(IofSchemaCheck, OfficialExamplesPassAndABrokenOneIsNamed) {
    for (const char* name : {"CourseData_Individual_Step2.xml", "CourseData_Individual_Step4.xml", "StartList1.xml",
                             "EntryList1.xml", "EntryList2.xml", "courses_basic.xml", "starts_basic.xml"}) {
        const Result<std::string> bytes = ReadFileBytes(Data(name));
        ASSERT_TRUE(bytes) << name;
        EXPECT_TRUE(CheckIofSchema(*bytes).empty()) << name << ": " << CheckIofSchema(*bytes)[0].message;
    }
    const std::vector<SchemaProblem> problems = CheckIofSchema(
        "<?xml version=\"1.0\"?>\n<CourseData xmlns=\"http://www.orienteering.org/datastandard/3.0\" iofVersion=\"3.0\">\n"
        "<Event><Name>E</Name></Event>\n<RaceCourseData><Course><Name>A</Name></Course></RaceCourseData>\n</CourseData>\n");
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].line, 4);
}

} // namespace
} // namespace quilo
