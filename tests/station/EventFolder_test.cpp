#include "station/EventFolder.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quilo;
using quilo::test::TempDir;
using quilo::test::WriteCp932;

TEST(EventFolder, EmptyFolderAsks) {
    TempDir dir;
    EXPECT_EQ(ChooseStartFolder(dir.Path()), StartFolder::Ask);
}

TEST(EventFolder, SettingsAndOutputsAloneAsk) {
    TempDir dir;
    WriteCp932(dir.File("Quilo.ini"), {"TimeLimit=150"});
    WriteCp932(dir.File("Regnly.log"), {"1,2026/12/06,11:00:20,0001,R,(10001),100,0:48:06"});
    WriteCp932(dir.File("Change.dat"), {"欠席/10012"});
    EXPECT_EQ(ChooseStartFolder(dir.Path()), StartFolder::Ask);
}

TEST(EventFolder, CourseFileOrStartListUseTheProgramFolder) {
    for (const char* name : {"Control.dat", "Startlst.dat"}) {
        TempDir dir;
        WriteCp932(dir.File(name), {});
        EXPECT_EQ(ChooseStartFolder(dir.Path()), StartFolder::ProgramFolder) << name;
        EXPECT_EQ(ChooseStartFolder(dir.Path() + "/"), StartFolder::ProgramFolder) << name;
    }
}

TEST(EventFolder, FolderNamedLikeAnEventFileDoesNotCount) {
    TempDir dir;
    std::filesystem::create_directory(dir.File("Control.dat"));
    EXPECT_EQ(ChooseStartFolder(dir.Path()), StartFolder::Ask);
}

TEST(EventFolder, MissingFolderAsks) {
    TempDir dir;
    EXPECT_EQ(ChooseStartFolder(dir.File("gone")), StartFolder::Ask);
}
