// quilo-report's command line at its edges: each malformed call is refused with its own
// reason and exit code 2, before anything in the folder is touched.
#include "ReportRun.h"
#include "TestSupport.h"

#include <sys/stat.h>

#include <filesystem>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace quilo {
namespace {

using test::Report;
using test::ReportRun;
using test::TempDir;

void WriteEvent(const TempDir& dir) {
    test::WriteEventFiles(dir, {.course = {"**:M21", "1:31", "99:100"},
                                .startList = {"12345,M21,10:00:00,101,山田太郎,1,東京OLC", "90812,**,0:00:00,0,予備,0,"},
                                .finishLog = {"1,2,3,4,5,(12345),31,0:10:00,100,0:35:00",
                                              "1,2,3,4,5,(90812),31,0:10:00,100,0:40:00"}});
}

TEST(ReportArgs, MalformedCallsSayWhy) {
    TempDir dir;
    WriteEvent(dir);
    const std::string f = dir.Path();
    struct Case {
        std::vector<std::string> args;
        const char* reason;
    };
    const Case cases[] = {
        {{"--now"}, "--now needs a time"},
        {{"--now", "12:00", f}, "malformed --now: 12:00"},
        {{"--now", "25:00:00", f}, "malformed --now: 25:00:00"},
        {{"--order"}, "--order needs start or result"},
        {{"--order", "time", f}, "unknown order: time"},
        {{"--spare"}, "--spare needs CARD=BIB"},
        {{"--spare", "812", f}, "malformed --spare: 812"},
        {{"--spare", "x=101", f}, "malformed --spare: x=101"},
        {{"--spare", "=101", f}, "malformed --spare: =101"},
        {{"--xml"}, "--xml needs a file"},
        {{"--html", "", f}, "--html needs a file"},
        {{"--bogus", f}, "unknown option: --bogus"},
        {{f, f}, "more than one folder given"},
        {{}, "no event folder given"},
        {{""}, "no event folder given"},
    };
    for (const auto& c : cases) {
        const ReportRun r = Report(c.args);
        EXPECT_EQ(r.code, 2) << c.reason;
        EXPECT_EQ(r.err.rfind(std::string("quilo-report: ") + c.reason + "\n", 0), 0u) << r.err;
        EXPECT_EQ(r.out, "") << c.reason;
    }
    // Nothing was read or written: no settings file appeared.
    EXPECT_FALSE(std::filesystem::exists(dir.File("Quilo.ini")));
}

TEST(ReportArgs, HelpAndVersionPrintAndStop) {
    for (const char* a : {"--help", "-h"}) {
        const ReportRun r = Report({a, "--bogus"});
        EXPECT_EQ(r.code, 0);
        EXPECT_NE(r.out.find("--spare"), std::string::npos) << r.out;
    }
    const ReportRun v = Report({"--version"});
    EXPECT_EQ(v.code, 0);
    EXPECT_EQ(v.out.rfind("quilo-report ", 0), 0u);
}

// A file, a missing folder or a dash (a folder name, in the working folder when alone).
TEST(ReportArgs, WhatIsNoFolderIsRefused) {
    TempDir dir;
    test::WriteBytes(dir.File("plain"), "x");
    const std::string dash = (std::filesystem::current_path() / "-").string();
    for (const auto& [given, named] : std::vector<std::pair<std::string, std::string>>{
             {dir.File("plain"), dir.File("plain")},
             {"/no/such/folder", "/no/such/folder"},
             {dir.Path() + "/-", dir.Path() + "/-"},
             {"-", dash}}) {
        const ReportRun r = Report({given});
        EXPECT_EQ(r.code, 2) << given;
        EXPECT_EQ(r.err, "quilo-report: not a folder: " + named + "\n");
    }
}

TEST(ReportArgs, ExportsThatCannotBeWrittenExitOne) {
    TempDir dir;
    WriteEvent(dir);
    test::WriteBytes(dir.File("plain"), "x");
    // Without --now: the system clock.
    const ReportRun r = Report({"--xml", dir.File("plain/r.xml"), "--html", dir.File("plain/r.html"), dir.Path()});
    EXPECT_EQ(r.code, 1);
    for (const char* name : {"plain/r.xml", "plain/r.html"})
        EXPECT_NE(r.err.find("quilo-report: cannot write " + dir.File(name) + ": パスの途中がフォルダではありません"),
                  std::string::npos)
            << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir.File("E_Result.txt")));
}

TEST(ReportArgs, StartOrderAndExportsWhereAsked) {
    TempDir dir;
    WriteEvent(dir);
    const ReportRun r = Report({"--now", "12:00:00", "--order", "start", "--xml", dir.File("r.xml"), "--html",
                                dir.File("r.html"), dir.Path() + "//"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir.File("r.xml")));
    EXPECT_TRUE(std::filesystem::exists(dir.File("r.html")));
}

TEST(ReportArgs, ASpareAnswerThatCannotBeSavedExitsOne) {
    TempDir dir;
    WriteEvent(dir);
    // A folder where the change records belong: the answer cannot be kept.
    ::mkdir(dir.File("Change.dat").c_str(), 0755);
    const ReportRun r = Report({"--now", "12:00:00", "--spare", "90812=0101", dir.Path()});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("quilo-report: cannot write " + dir.File("Change.dat") + ": 同じ名前のフォルダがあります"),
              std::string::npos)
        << r.err;
    // The lists were still printed.
    EXPECT_NE(r.out.find("==\n"), std::string::npos);
}

} // namespace
} // namespace quilo
