// Cards written with leading zeros ("01234") keep the start list's spelling from the list
// through both dialogs, the change file, the restart and quilo-report's --spare.
#include "Clock.h"
#include "ReportRun.h"
#include "TestSupport.h"
#include "station/EditLogic.h"
#include "station/SpareLogic.h"
#include "station/Station.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quilo {
namespace {

using test::Strings;
using test::TempDir;

const Strings kCourse = {"**:M21", "1:31", "99:100"};

std::string Read(const std::string& card, const std::string& finish) {
    return "1,2026/12/06,11:00:00,0001,R,(" + card + "),31,0:10:00,100," + finish;
}

int CompetitorOfLine(const Station& st, const std::string& name) {
    for (const ListLine& l : st.Lists().competitors)
        if (l.text.find(name) != std::string::npos) return l.competitor;
    return -1;
}

// Each card as a competitor's own card (both dialogs name it in their records) and as a
// spare card (the spare dialog and --spare take it as spelled).
class CardSpelling : public ::testing::TestWithParam<std::string> {
protected:
    std::string card = GetParam();
    bool readable = card.size() == 5; // the log's card field is five characters
};

TEST_P(CardSpelling, AsTheCompetitorsCardInBothDialogsAndAfterARestart) {
    TempDir dir;
    test::WriteEventFiles(dir, {.course = kCourse,
                                .startList = {card + ",M21,10:00:00,101,山田 太郎,1,東京OLC",
                                              "10002,M21,10:02:00,102,鈴木 一郎,2,大阪OLC", "77777,**"},
                                .finishLog = {Read(card, "0:40:00"), Read("77777", "0:41:00")}});
    Station st(dir.Path(), test::FixedClock(12, 0, 0));
    st.SetSparePrompt([&](int spareRow) {
        SpareLogic spare(st, spareRow);
        spare.Load();
        spare.SetBibText("0101");
        EXPECT_EQ(spare.CompetitorLabel().rfind("M21 <" + card + "> 10:00\r\n", 0), 0u) << spare.CompetitorLabel();
        DialogOutcome r = spare.Ok();
        // Their own card was read first: the operator is asked, and says yes.
        EXPECT_EQ(r.confirm, readable);
        if (r.confirm) r = spare.Ok(true);
        EXPECT_FALSE(r.refused);
        return spare.Answer();
    });
    st.Startup();
    const int n = CompetitorOfLine(st, "山田");
    ASSERT_GE(n, 0);
    EditLogic edit(st, n);
    ASSERT_TRUE(edit.Load());
    edit.SetReference(true);
    ASSERT_FALSE(edit.Apply().refused);
    // The history line of the correction opens the same competitor again.
    EXPECT_EQ(st.OperationHistory().Lines().back().competitor, n);
    EXPECT_EQ(test::ReadCp932Lines(dir.File("Change.dat")), (Strings{"予備/77777," + card, "参考/77777"}));
    EXPECT_EQ(st.Tables().Cards.Find("77777"), n);

    Station again(dir.Path(), test::FixedClock(12, 0, 0));
    again.Startup();
    const EntryRecord& r = *again.Tables().EntryOf(n);
    EXPECT_TRUE(r.Reference);
    EXPECT_EQ(r.EcardText, "77777");
    EXPECT_EQ(r.RunningTime, Time::Hms(0, 41, 0));
    for (const auto& line : again.OperationHistory().Texts())
        EXPECT_EQ(line.find("変更データが読み込めません"), std::string::npos);
}

TEST_P(CardSpelling, AsASpareCardInTheDialogAndThroughSpareAnswers) {
    for (bool report : {false, true}) {
        SCOPED_TRACE(report ? "--spare" : "dialog");
        TempDir dir;
        test::WriteEventFiles(dir, {.course = kCourse,
                                    .startList = {"10001,M21,10:00:00,101,山田 太郎,1,東京OLC", card + ",**"},
                                    .finishLog = {Read(card, "0:40:00")}});
        if (report) {
            const test::ReportRun run = test::Report({"--now", "12:00:00", "--spare", card + "=101", dir.Path()});
            EXPECT_EQ(run.code, 0) << run.err;
        } else {
            Station st(dir.Path(), test::FixedClock(12, 0, 0));
            int asked = 0;
            st.SetSparePrompt([&](int spareRow) {
                ++asked;
                SpareLogic spare(st, spareRow);
                spare.Load();
                EXPECT_EQ(spare.SpareCardText(), card);
                spare.SetBibText("0101");
                EXPECT_FALSE(spare.Ok().refused);
                return spare.Answer();
            });
            st.Startup();
            EXPECT_EQ(asked, readable ? 1 : 0);
        }
        const Strings expected = readable ? Strings{"予備/" + card + ",10001"} : Strings{};
        EXPECT_EQ(std::filesystem::exists(dir.File("Change.dat")) ? test::ReadCp932Lines(dir.File("Change.dat")) : Strings{},
                  expected);
        Station again(dir.Path(), test::FixedClock(12, 0, 0));
        again.Startup();
        const int n = *again.Tables().Cards.Find("10001");
        EXPECT_EQ(again.Tables().Cards.Find(card), readable ? std::optional<int>(n) : again.Tables().Cards.Find(card));
        EXPECT_EQ(again.Tables().EntryOf(n)->RunningTime, readable ? Time::Hms(0, 40, 0) : Time());
    }
}

INSTANTIATE_TEST_SUITE_P(Cards, CardSpelling, ::testing::Values("01234", "1234", "90001", "09001"),
                         [](const auto& card) { return "Card" + card.param; });

// --spare names what it cannot use, with status 2 and nothing appended.
TEST(SpareAnswers, ACardThatIsNoSpareRowOrABibNobodyHasIsBadUsage) {
    struct Case {
        const char* arg;
        const char* said; // "" for a run that assigns
    } cases[] = {
        {"09001=101", ""},
        {"09001=0101", ""},
        {"9001=101", "card 9001 is not a spare card"},
        {"10001=101", "card 10001 is not a spare card"},
        {"09001=999", "no competitor has bib 999"},
        {"09001=abc", "no competitor has bib abc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arg);
        TempDir dir;
        test::WriteEventFiles(dir, {.course = kCourse,
                                    .startList = {"10001,M21,10:00:00,101,山田 太郎,1,東京OLC", "09001,**"},
                                    .finishLog = {Read("09001", "0:40:00")}});
        const test::ReportRun run = test::Report({"--now", "12:00:00", "--spare", c.arg, dir.Path()});
        if (*c.said == 0) {
            EXPECT_EQ(run.code, 0) << run.err;
            EXPECT_EQ(test::ReadCp932Lines(dir.File("Change.dat")), Strings{"予備/09001,10001"});
            continue;
        }
        EXPECT_EQ(run.code, 2);
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir.File("Change.dat")));
        EXPECT_FALSE(std::filesystem::exists(dir.File("E_Result.txt")));
    }
}

} // namespace
} // namespace quilo
