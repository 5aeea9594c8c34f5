#include "DialogTestEvent.h"
#include "station/SpareLogic.h"

#include <gtest/gtest.h>

using namespace quilo;
using quilo::test::DialogTestEvent;
using quilo::test::Strings;

namespace {

// The card of the competitor a bib finds (0: nobody).
int CardOfBib(Station& station, const std::string& bib) {
    const int n = SpareLogic::FindCompetitorByBib(station, bib);
    return n < 0 ? 0 : station.Tables().EntryOf(n)->EcardNumber;
}

class SpareLogicTest : public ::testing::Test {
protected:
    SpareLogicTest() {
        ev.Add(0, 300, 5, "先頭 一郎");
        tanaka = ev.Add(0, 345, 123, "田中 次郎");
        spare = ev.AddSpare(812);
        ev.AddSpare(813);
    }

    SpareLogic Loaded(int card = 812) {
        SpareLogic l(ev.station, ev.Row(card));
        l.Load();
        return l;
    }

    DialogTestEvent ev;
    int tanaka = 0;
    int spare = 0;
};

// --- Loading and finding ---------------------------------------------------------------------

TEST_F(SpareLogicTest, LoadStartsAfresh) {
    SpareLogic l = Loaded();
    EXPECT_EQ(l.SpareCardNumber(), 812);
    EXPECT_EQ(l.SpareCardLabel(), "予備Ｅカード番号 : 00812");
    EXPECT_EQ(l.ChosenCardNumber(), 0);
    EXPECT_EQ(l.BibText(), "");
    EXPECT_EQ(l.CompetitorLabel(), "");
    EXPECT_FALSE(l.Reference());
    EXPECT_STREQ(SpareLogic::kCaption, "予備Ｅカードが検出されました");
}

TEST_F(SpareLogicTest, OnlyExactlyFourCharactersAreSearched) {
    SpareLogic l = Loaded();
    for (const char* partial : {"0", "01", "012"}) {
        l.SetBibText(partial);
        EXPECT_EQ(l.CompetitorLabel(), "") << partial;
        EXPECT_EQ(l.ChosenCardNumber(), 0);
    }
    l.SetBibText("0123");
    EXPECT_EQ(l.ChosenCardNumber(), 345);
    EXPECT_EQ(l.ChosenClassIndex(), 0);
    EXPECT_EQ(l.ChosenSlot(), 2);
    EXPECT_EQ(l.CompetitorLabel(), "M21 <345> 09:05\r\n田中 次郎 7 OLC");
    l.SetBibText("012");
    EXPECT_EQ(l.CompetitorLabel(), "");
    EXPECT_EQ(l.ChosenCardNumber(), 0);
    l.SetBibText("01234");
    EXPECT_EQ(l.ChosenCardNumber(), 0);
    // Three digits without the leading zero find nobody.
    l.SetBibText("123");
    EXPECT_EQ(l.ChosenCardNumber(), 0);
    EXPECT_EQ(CardOfBib(ev.station, "123"), 0);
    EXPECT_EQ(CardOfBib(ev.station, "0123"), 345);
}

// The first competitor with the bib, in class then slot order, who has a card.
TEST_F(SpareLogicTest, FindCardByBibTakesTheFirstMatchWithACard) {
    struct Added {
        int cls, card, bib;
        const char* name;
    };
    struct Case {
        const char* what;
        std::vector<Added> added;
        const char* bib;
        int card;
    };
    const std::vector<Added> sevenSeven = {{1, 500, 77, "W first"}, {1, 501, 77, "W second"}, {0, 502, 77, "M"}};
    std::vector<Added> sevenEight = sevenSeven;
    sevenEight.insert(sevenEight.end(), {{1, 503, 78, "W"}, {1, 504, 78, "W later slot"}});
    const Case cases[] = {
        {"an earlier class wins over earlier rows", sevenSeven, "0077", 502},
        {"an earlier slot wins in the class", sevenEight, "0078", 503},
        {"a match without card moves on to the next class",
         {{0, 0, 88, "no card"}, {0, 600, 88, "same class, later slot"}, {1, 601, 88, "next class"}},
         "0088",
         601},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DialogTestEvent local;
        local.Add(0, 300, 5, "先頭 一郎");
        local.Add(0, 345, 123, "田中 次郎");
        local.AddSpare(812);
        local.AddSpare(813);
        for (const Added& a : c.added) local.Add(a.cls, a.card, a.bib, a.name);
        EXPECT_EQ(CardOfBib(local.station, c.bib), c.card);
    }
}

TEST_F(SpareLogicTest, NobodyFoundLeavesTheCompetitorAndTheReferenceTick) {
    ev.Rec(tanaka).Reference = true;
    SpareLogic l = Loaded();
    l.SetBibText("0123");
    EXPECT_TRUE(l.Reference());
    const std::string shown = l.CompetitorLabel();
    l.SetBibText("9999");
    EXPECT_EQ(l.ChosenCardNumber(), 0);
    EXPECT_EQ(l.CompetitorLabel(), shown);
    EXPECT_TRUE(l.Reference());
    // Four characters that are no number find nobody and do not fail.
    l.SetBibText("12ab");
    EXPECT_EQ(l.ChosenCardNumber(), 0);
    // Fewer characters clear the label but keep the tick.
    l.SetBibText("12");
    EXPECT_EQ(l.CompetitorLabel(), "");
    EXPECT_TRUE(l.Reference());
}

TEST_F(SpareLogicTest, FullWidthDigitsFindTheBib) {
    SpareLogic l = Loaded();
    l.SetBibText("０１２３");
    EXPECT_EQ(l.BibText(), "0123");
    EXPECT_EQ(l.ChosenCardNumber(), 345);
}

TEST_F(SpareLogicTest, TheReferenceTickFollowsTheFoundCompetitor) {
    SpareLogic l = Loaded();
    l.SetReference(true);
    l.SetBibText("0123");
    EXPECT_FALSE(l.Reference());
    ev.Rec(tanaka).Reference = true;
    l.SetBibText("012");
    l.SetBibText("0123");
    EXPECT_TRUE(l.Reference());
}

// --- OK ----------------------------------------------------------------------------------------

TEST_F(SpareLogicTest, OkAssignsTheSpareCard) {
    SpareLogic l = Loaded();
    l.SetBibText("0123");
    DialogOutcome r = l.Ok();
    EXPECT_FALSE(r.refused);
    EXPECT_TRUE(r.saveFailures.empty());
    EXPECT_EQ(l.Answer(), SpareAnswer::Assigned);
    const Event& e = ev.station.Tables();
    EXPECT_EQ(e.Cards.Find("812"), tanaka);
    EXPECT_EQ(e.Cards.Find("345"), tanaka);
    EXPECT_EQ(e.Cards.Count(), 4);
    EXPECT_EQ(ev.Rec(tanaka).EcardNumber, 812);
    EXPECT_EQ(ev.HistoryTexts(), Strings{"10:15 (変更)予備Ｅカード812使用 (0123) 田中 次郎"});
    EXPECT_EQ(ev.HistoryItems(), std::vector<int>{812});
    EXPECT_TRUE(ev.station.OperationHistory().Lines()[0].keepVisible);
    EXPECT_EQ(ev.Records(), Strings{"予備/812,345"});
}

TEST_F(SpareLogicTest, ReferenceRecordFollowsWhenTheTickDiffers) {
    SpareLogic l = Loaded();
    l.SetBibText("0123");
    l.SetReference(true);
    l.Ok();
    EXPECT_TRUE(ev.Rec(tanaka).Reference);
    EXPECT_EQ(ev.HistoryTexts(),
              (Strings{"10:15 (変更)予備Ｅカード812使用 (0123) 田中 次郎", "10:15 (変更)参考記録 (0123) 田中 次郎"}));
    EXPECT_EQ(ev.HistoryItems(), (std::vector<int>{812, 812}));
    EXPECT_EQ(ev.Records(), (Strings{"予備/812,345", "参考/345"}));
}

TEST_F(SpareLogicTest, ReferenceCompetitorKeptOrMadeOfficial) {
    ev.Rec(tanaka).Reference = true;
    SpareLogic keep = Loaded();
    keep.SetBibText("0123");
    keep.Ok();
    EXPECT_EQ(ev.Records(), Strings{"予備/812,345"});
    EXPECT_TRUE(ev.Rec(tanaka).Reference);

    SpareLogic official = Loaded(813);
    official.SetBibText("0123");
    EXPECT_TRUE(official.Reference());
    official.SetReference(false);
    // Already on a spare card: asked first, nothing changed until the yes.
    const DialogOutcome asked = official.Ok();
    EXPECT_TRUE(asked.confirm);
    EXPECT_FALSE(asked.refused);
    EXPECT_EQ(asked.message,
              "(0123) 田中 次郎 には予備Ｅカード 812 が割り当て済みです。\r\n"
              "予備Ｅカード 813 をこの競技者に割り当てますか？");
    EXPECT_EQ(ev.Records(), Strings{"予備/812,345"});
    EXPECT_EQ(official.Answer(), SpareAnswer::Cancelled);
    official.Ok(true);
    EXPECT_FALSE(ev.Rec(tanaka).Reference);
    // A competitor already on a spare card: the second number is the first spare's.
    EXPECT_EQ(ev.Records(), (Strings{"予備/812,345", "予備/813,812", "公式/812"}));
    EXPECT_EQ(ev.HistoryTexts().back(), "10:15 (変更)参考記録取消 (0123) 田中 次郎");
    EXPECT_EQ(ev.station.Tables().Cards.Find("813"), tanaka);
}

TEST_F(SpareLogicTest, AlreadyFinishedNamesTheResultOfARead) {
    EXPECT_EQ(SpareLogic::AlreadyFinished(ev.station, -1), "");
    EntryRecord& r = ev.Rec(tanaka);
    r.CardRead = true;
    r.Status = "DISQ";
    EXPECT_EQ(SpareLogic::AlreadyFinished(ev.station, tanaka),
              "(0123) 田中 次郎 にはＥカード " + r.EcardText + " の成績があります（DISQ）。");
    r.RunningTime = Time::Hms(0, 45, 7);
    EXPECT_EQ(SpareLogic::AlreadyFinished(ev.station, tanaka),
              "(0123) 田中 次郎 にはＥカード " + r.EcardText + " の成績があります（0:45'07\"）。");
}

TEST_F(SpareLogicTest, ReferenceIsComparedWithTheRecordAtOk) {
    SpareLogic l = Loaded();
    l.SetBibText("0123");
    EXPECT_FALSE(l.Reference());
    ev.Rec(tanaka).Reference = true; // changed while the dialog stood open
    l.Ok();
    EXPECT_EQ(ev.Records(), (Strings{"予備/812,345", "公式/345"}));
    EXPECT_FALSE(ev.Rec(tanaka).Reference);
}

TEST_F(SpareLogicTest, RefusedOkChangesNothing) {
    auto expectUnchanged = [&] {
        EXPECT_EQ(ev.station.Tables().Cards.Find("812"), spare);
        EXPECT_EQ(ev.Rec(tanaka).EcardNumber, 345);
        EXPECT_TRUE(ev.HistoryTexts().empty());
        EXPECT_TRUE(ev.Records().empty());
    };
    for (const char* text : {"", "9999", "123", "01234"}) {
        SpareLogic l = Loaded();
        l.SetBibText(text);
        DialogOutcome r = l.Ok();
        EXPECT_TRUE(r.refused) << text;
        EXPECT_EQ(r.message, "正しい番号を入力してください");
        EXPECT_EQ(l.Answer(), SpareAnswer::Cancelled);
        expectUnchanged();
    }
    // Deleting a character after a find refuses again.
    SpareLogic l = Loaded();
    l.SetBibText("0123");
    l.SetBibText("012");
    EXPECT_TRUE(l.Ok().refused);
    expectUnchanged();
}

TEST_F(SpareLogicTest, CardsTheIndexDoesNotKnowAreRefused) {
    // The spare card's own number is not a key.
    SpareLogic unknownSpare = Loaded(999);
    unknownSpare.SetBibText("0123");
    EXPECT_TRUE(unknownSpare.Ok().refused);
    // The competitor's card is not a key.
    ev.station.Tables().Cards.Remove("345");
    SpareLogic l = Loaded();
    l.SetBibText("0123");
    EXPECT_EQ(l.CompetitorLabel(), "");
    EXPECT_TRUE(l.Ok().refused);
    EXPECT_EQ(ev.station.Tables().Cards.Find("812"), spare);
    EXPECT_TRUE(ev.Records().empty());
    EXPECT_EQ(l.Answer(), SpareAnswer::Cancelled);
}

TEST_F(SpareLogicTest, FailedRecordsAreReportedAndTheAssignmentStands) {
    ev.BreakChangeFile();
    SpareLogic l = Loaded();
    l.SetBibText("0123");
    l.SetReference(true);
    DialogOutcome r = l.Ok();
    EXPECT_FALSE(r.refused);
    ASSERT_EQ(r.saveFailures.size(), 2u);
    EXPECT_EQ(r.saveFailures[0].path, ev.dir.File("Change.dat"));
    EXPECT_EQ(ev.station.Tables().Cards.Find("812"), tanaka);
    EXPECT_EQ(l.Answer(), SpareAnswer::Assigned);
}

} // namespace
