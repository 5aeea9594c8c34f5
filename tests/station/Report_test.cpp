#include "ReportRun.h"
#include "TestSupport.h"

#include <filesystem>

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
    EXPECT_EQ(r.out.rfind("0\t12:00 (読込)コントロールデータ\n0\t12:00 (読込)スタートリスト\n0\t12:00 (読込)ゴールデータ\n", 0), 0u)
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
    EXPECT_NE(second.out.find("==\n"), std::string::npos);  // everything else was still done
    EXPECT_TRUE(std::filesystem::exists(dir.File("E_NoRet.txt")));
}

} // namespace
} // namespace quilo
