#include "readers/CourseFile.h"

#include "Clock.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace quilo {
namespace {

struct CourseFileTest : ::testing::Test {
    test::TempDir dir;
    std::unique_ptr<Event> ev = std::make_unique<Event>();
    History history{test::FixedClock(9, 5, 0)};

    int Read(const std::vector<std::string>& lines) {
        test::WriteCp932(dir.File("Control.dat"), lines);
        EXPECT_TRUE(test::Into(history, ReadCourseFile(*ev, dir.File("Control.dat"))));
        return ev->LastClassIndex;
    }
    std::vector<int> Alternatives(int c, int p) const {
        const auto& a = ev->CourseControls[c][p];
        return {a[0], a[1], a[2]};
    }
};

TEST_F(CourseFileTest, ClassesPositionsAlternativesAndFinish) {
    int last = Read({"", "コメント行", "**:Ｍ２１Ａ ", "1:31", "2: 32 ", "4:34", "5:121", "5:131", "5:141", "5:151", "99:100",
                     "99:101", "**:W21:extra", "\"1\":\"41\"", "31:200", "99:300"});
    EXPECT_EQ(last, 1);
    EXPECT_EQ(ev->ClassNames[0], "Ｍ２１Ａ ");
    EXPECT_EQ(ev->ClassNames[1], "W21");
    EXPECT_EQ(ev->ClassNames[2], "");
    // Gaps count up to the highest position; a fourth code replaces the third.
    EXPECT_EQ(ev->ControlCount[0], 5);
    EXPECT_EQ(Alternatives(0, 2), (std::vector<int>{32, 0, 0}));
    EXPECT_EQ(Alternatives(0, 3), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(Alternatives(0, 5), (std::vector<int>{121, 131, 151}));
    EXPECT_EQ(Alternatives(0, 31), (std::vector<int>{100, 101, 0}));
    // A course line for position 31 adds a finish code and counts as a position.
    EXPECT_EQ(ev->ControlCount[1], 31);
    EXPECT_EQ(Alternatives(1, 1), (std::vector<int>{41, 0, 0}));
    EXPECT_EQ(Alternatives(1, 31), (std::vector<int>{200, 300, 0}));
    EXPECT_EQ(history.Count(), 0);
}

TEST_F(CourseFileTest, EmptyFileDefinesNoClass) { EXPECT_EQ(Read({}), -1); }

TEST_F(CourseFileTest, LinesWithoutRuleAreSkippedWithWarnings) {
    std::vector<std::string> lines = {"1:31"};
    for (int c = 0; c < 10; ++c) lines.push_back("**:C" + std::to_string(c));
    lines.insert(lines.end(), {"31:60", "32:61", "099:62", "x:63", "3:", "99:abc", "**:C10", "1:70"});
    EXPECT_EQ(Read(lines), 10);
    EXPECT_EQ(ev->ClassNames[9], "C9");
    EXPECT_EQ(ev->ClassNames[10], "C10");
    EXPECT_EQ(Alternatives(10, 1), (std::vector<int>{70, 0, 0}));
    EXPECT_EQ(ev->ControlCount[10], 1);
    EXPECT_EQ(ev->ControlCount[9], 31);
    EXPECT_EQ(Alternatives(9, 1), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(Alternatives(9, 31), (std::vector<int>{60, 0, 0}));
    EXPECT_EQ(history.Texts(),
              (test::Strings{History::kWarning, "　Control.dat 1行目を読み飛ばしました（最初のクラス行より前の行です）",
                             History::kWarning, "　Control.dat 13行目を読み飛ばしました（位置番号が範囲外です）",
                             History::kWarning, "　Control.dat 14行目を読み飛ばしました（位置番号が範囲外です）",
                             History::kWarning, "　Control.dat 15行目を読み飛ばしました（数値ではありません）",
                             History::kWarning, "　Control.dat 16行目を読み飛ばしました（数値ではありません）",
                             History::kWarning, "　Control.dat 17行目を読み飛ばしました（数値ではありません）"}));
}

TEST_F(CourseFileTest, WarningsStopAfterTenWithASummary) {
    std::vector<std::string> lines(13, "1:31");
    lines.push_back("**:A");
    Read(lines);
    auto texts = history.Texts();
    ASSERT_EQ(texts.size(), 22u);
    EXPECT_EQ(texts[19], "　Control.dat 10行目を読み飛ばしました（最初のクラス行より前の行です）");
    EXPECT_EQ(texts[21], "　Control.dat ほか3行を読み飛ばしました");
    EXPECT_TRUE(history.Lines().back().keepVisible);
}

} // namespace
} // namespace quilo
