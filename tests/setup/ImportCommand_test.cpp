// quilo-import's command line: usage, exit codes and what it prints.
#include "setup/ImportCommand.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace quilo {
namespace {

using test::TempDir;

const std::string kData = std::string(QUILO_TEST_DATA) + "/iof/";

struct Ran {
    int status;
    std::string out, err;
};

Ran Import(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunImport(args, out, err);
    return {status, out.str(), err.str()};
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

TEST(ImportCommand, BadUsageIsStatusTwoAndNamed) {
    TempDir dir;
    const std::string f = dir.Path();
    const struct {
        std::vector<std::string> args;
        const char* problem;
    } cases[] = {
        {{}, "no event folder given"},
        {{f}, "nothing to import: give --courses, --entries or --starts"},
        {{"--courses"}, "--courses needs a file"},
        {{"--courses", "a.xml", "--courses", "b.xml", f}, "--courses given twice"},
        {{"--entries", "e.xml", "--starts", "s.xml", f}, "give --entries or --starts, not both"},
        {{"--entries", "e.xml", f}, "an EntryList has no start times: give --first-start and --interval"},
        {{"--entries", "e.xml", "--first-start", "10:00:00", f},
         "an EntryList has no start times: give --first-start and --interval"},
        {{"--starts", "s.xml", "--interval", "60", f}, "--first-start and --interval go with --entries"},
        {{"--courses", "c.xml", "--spare-cards", "s.txt", f},
         "--spare-cards and --rental-cards go with --entries or --starts"},
        {{"--courses", "c.xml", "--rental-cards", "r.txt", f},
         "--spare-cards and --rental-cards go with --entries or --starts"},
        {{"--starts", "s.xml", "--finish-code", "100", f}, "--finish-code goes with --courses"},
        {{"--first-start", "10:00", f}, "malformed --first-start: 10:00"},
        {{"--interval", "-1", f}, "malformed --interval: -1"},
        {{"--interval", "1.5", f}, "malformed --interval: 1.5"},
        {{"--finish-code", "0", f}, "malformed --finish-code: 0"},
        {{"--finish-code", "F", f}, "malformed --finish-code: F"},
        {{"--what", f}, "unknown option: --what"},
        {{"--courses", "c.xml", f, f}, "more than one folder given"},
    };
    for (const auto& c : cases) {
        const Ran r = Import(c.args);
        EXPECT_EQ(r.status, 2) << c.problem;
        EXPECT_EQ(FirstLine(r.err), std::string("quilo-import: ") + c.problem);
        EXPECT_NE(r.err.find("usage: quilo-import"), std::string::npos) << c.problem;
        EXPECT_EQ(r.out, "");
    }
    const Ran notFolder = Import({"--courses", "c.xml", f + "/none"});
    EXPECT_EQ(notFolder.status, 2);
    EXPECT_EQ(notFolder.err, "quilo-import: not a folder: " + f + "/none\n");
}

TEST(ImportCommand, HelpAndVersion) {
    const Ran help = Import({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(FirstLine(help.out),
              "usage: quilo-import [--courses COURSEDATA.xml] [--entries ENTRYLIST.xml | --starts STARTLIST.xml]");
    const Ran version = Import({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("quilo-import ", 0), 0u);
}

TEST(ImportCommand, RefusedListsEveryProblemAndWritesNothing) {
    TempDir dir;
    const Ran r =
        Import({"--courses", kData + "CourseData_Individual_Step2.xml", "--starts", kData + "StartList1.xml", dir.Path()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    std::istringstream lines(r.err);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "quilo-import: refused, nothing written (7 problems):");
    int listed = 0;
    while (std::getline(lines, line)) {
        EXPECT_EQ(line.rfind("  " + kData, 0), 0u) << line;
        ++listed;
    }
    EXPECT_EQ(listed, 7); // two finishes without a code, three six-digit cards, two classes no course runs
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(ImportCommand, DonePrintsTheRentalCardsAndTheFilesWritten) {
    TempDir dir;
    test::WriteCp932(dir.File("Control.dat"), {"**:Open", "1:32", "99:100", "**:Men Elite", "1:31", "99:100"});
    const Ran r = Import({"--entries", kData + "EntryList1_five_digit.xml", "--first-start", "10:00:00", "--interval", "60",
                          "--rental-cards", kData + "rental.txt", "--spare-cards", kData + "spare.txt", dir.Path() + "/"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "rental card 40001: Martin Edgar (Men Elite, " + kData +
                         "EntryList1_five_digit.xml:37)\nwritten: " + dir.Path() + "/Startlst.dat\nwritten: " + dir.Path() +
                         "/Entries.xml\nStartlst.dat: 3 competitors, 2 spare cards\n");
    EXPECT_EQ(test::ReadCp932Lines(dir.File("Startlst.dat")),
              (test::Strings{"97307,Open,10:00:00,1,Lawson Toni,3,",
                             "79402,Men Elite,10:00:00,2,Wood George,1,OC Back and Forth",
                             "40001,Men Elite,10:01:00,3,Martin Edgar,2,Bushmen OC", "90001,**", "90002,**"}));

    // Ran again: the start list is there now.
    const Ran again = Import({"--entries", kData + "EntryList1_five_digit.xml", "--first-start", "10:00:00", "--interval",
                              "60", "--rental-cards", kData + "rental.txt", dir.Path()});
    EXPECT_EQ(again.status, 2);
    EXPECT_NE(again.err.find("Startlst.dat: exists already: give --force"), std::string::npos) << again.err;
}

TEST(ImportCommand, AFailedWriteIsStatusOne) {
    // A folder where Control.dat should be: neither kept as .bak nor replaced, even by root.
    TempDir dir;
    std::filesystem::create_directory(dir.File("Control.dat"));
    const Ran r = Import({"--courses", kData + "courses_basic.xml", "--finish-code", "199", "--force", dir.Path()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quilo-import: cannot write " + dir.File("Control.dat") + ": not a regular file\n");
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("Control.dat")));
}

} // namespace
} // namespace quilo
