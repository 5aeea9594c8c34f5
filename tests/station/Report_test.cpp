// quilo-report: the lists it prints, the files it writes, and its command line at its
// edges, where each malformed call is refused with its own reason and exit code 2 before
// anything in the folder is touched.
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
    test::WriteEventFiles(dir, {.course = {"**:M21", "1:31", "2:32", "99:100"},
                                .startList = {"12345,M21,10:00:00,101,山田太郎,1,東京OLC",
                                              "12346,M21,11:50:00,102,鈴木花子,2,大阪OLC", "90812,**,0:00:00,0,予備,0,"},
                                .finishLog = {"1,2,3,4,5,(12345),31,0:10:00,32,0:20:00,100,0:35:00",
                                              "1,2,3,4,5,(90812),31,0:10:00,32,0:20:00,100,0:40:00"}});
}

TEST(Report, PrintsTheThreeListsAndWritesBothFiles) {
    TempDir dir;
    WriteEvent(dir);
    ReportRun r = Report({"--now", "12:00:00", "--order", "result", dir.Path()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("0\t12:00 (読込)コントロールデータ\n0\t12:00 (読込)スタートリスト\n0\t12:00 (読込)ゴールデータ\n",
                          0),
              0u)
        << r.out;
    // The spare card was not named: left unassigned, with its warning.
    EXPECT_NE(r.out.find("0\t  　未入力の予備Ｅカード情報があります\n==\n0\tクラス  人数"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n12345\t"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir.File("E_Result.txt")));
    EXPECT_TRUE(std::filesystem::exists(dir.File("E_NoRet.txt")));
}

TEST(Report, SpareAnswerAssignsTheCard) {
    TempDir dir;
    WriteEvent(dir);
    ReportRun r = Report({"--now", "12:00:00", "--spare", "90812=0102", dir.Path()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("90812\t12:00 (変更)予備Ｅカード90812使用 (0102) 鈴木花子\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("未入力の予備Ｅカード"), std::string::npos);
    EXPECT_EQ(test::ReadCp932Lines(dir.File("Change.dat")), std::vector<std::string>{"予備/90812,12346"});
}

TEST(Report, RelativeFolderWritesIntoTheFolderAndAFailedOutputExitsOne) {
    TempDir dir;
    WriteEvent(dir);
    auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(dir.Path()).parent_path());
    std::string rel = "./" + std::filesystem::path(dir.Path()).filename().string() + "/";
    ReportRun first = Report({"--now", "12:00:00", rel});
    std::filesystem::current_path(cwd);
    ASSERT_EQ(first.code, 0) << first.err;
    auto ini = test::ReadCp932Lines(dir.File("Quilo.ini"));
    ASSERT_GE(ini.size(), 2u);
    // The defaults are bare names: a copy of the folder writes its own files.
    EXPECT_EQ(ini[0], "SeisekiOutput=E_Result.txt");
    EXPECT_TRUE(std::filesystem::exists(dir.File("E_Result.txt")));

    test::WriteBytes(dir.File("Quilo.ini"), "SeisekiOutput=" + dir.Path() + "/none/E_Result.txt\r\n");
    ReportRun second = Report({"--now", "12:00:00", dir.Path()});
    EXPECT_EQ(second.code, 1);
    EXPECT_NE(second.err.find(dir.Path() + "/none/E_Result.txt"), std::string::npos);
    EXPECT_NE(second.out.find("==\n"), std::string::npos); // everything else was still done
    EXPECT_TRUE(std::filesystem::exists(dir.File("E_NoRet.txt")));
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
    for (const auto& [given, named] : std::vector<std::pair<std::string, std::string>>{{dir.File("plain"), dir.File("plain")},
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
