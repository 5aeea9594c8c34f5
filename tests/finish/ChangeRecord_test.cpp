#include "finish/ChangeRecord.h"
#include "finish/ResultFields.h"

#include "Clock.h"
#include "EventBuilder.h"

#include <gtest/gtest.h>

namespace quilo {
namespace {

TEST(ChangeRecord, EveryKindReadsBackAsWritten) {
    const ChangeRecord records[] = {
        {ChangeKind::Absent, "1001", ""},   {ChangeKind::Late, "1001", "5"},     {ChangeKind::HandTime, "1001", "1:23:45"},
        {ChangeKind::Code, "1001", "P3"},   {ChangeKind::Cancel, "1001", ""},    {ChangeKind::Reference, "1001", ""},
        {ChangeKind::Official, "1001", ""}, {ChangeKind::Spare, "9001", "1001"},
    };
    const char* const lines[] = {"欠席/1001", "遅刻/1001,5", "ＯＫ/1001,1:23:45", "ＮＧ/1001,P3",
                                 "取消/1001", "参考/1001",   "公式/1001",         "予備/9001,1001"};
    for (std::size_t i = 0; i < std::size(records); ++i) {
        EXPECT_EQ(records[i].Text(), lines[i]);
        auto back = ChangeRecord::Parse(lines[i]);
        ASSERT_TRUE(back) << lines[i];
        EXPECT_EQ(back->kind, records[i].kind) << lines[i];
        EXPECT_EQ(back->card, records[i].card) << lines[i];
        EXPECT_EQ(back->value, records[i].value) << lines[i];
    }
}

TEST(ChangeRecord, LinesThatAreNoRecord) {
    for (const char* line : {"", "欠席1001", "OK/1001,1:00:00", "xx/1001", "欠席 /1001"})
        EXPECT_FALSE(ChangeRecord::Parse(line)) << line;
    // The data ends at the next "/", a value at the next ",", and quotes are taken off.
    auto r = ChangeRecord::Parse("ＮＧ/\"1001\",DQ/X,Y");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->card, "1001");
    EXPECT_EQ(r->value, "DQ");
}

// What a record leaves: the record's own values for a card not read, the card's result
// with the operator's fields on top for a card read.
TEST(ChangeRecord, EffectFollowsWhetherTheCardWasRead) {
    struct Case {
        ChangeRecord record;
        bool read;
        const char* check;
        const char* status;
        Time running;
    };
    const Time card = Time::Hms(1, 0, 0);
    const Case cases[] = {
        {{ChangeKind::Late, "1001", "5"}, false, "", "", Time()},
        {{ChangeKind::Late, "1001", "5"}, true, "", "", Time::Hms(1, 5, 0)},
        {{ChangeKind::Late, "1001", "5"}, true, "P2", "P2", Time::Minutes(5)},
        {{ChangeKind::HandTime, "1001", "1:10:00"}, false, "", "", Time::Hms(1, 10, 0)},
        {{ChangeKind::HandTime, "1001", "1:10:00"}, true, "DNF", "", Time::Hms(1, 10, 0)},
        {{ChangeKind::Code, "1001", "DSQ"}, true, "", "DSQ", Time()},
        {{ChangeKind::Code, "1001", "OK"}, false, "", "OK", Time()}, // as an old file may hold it
        {{ChangeKind::Absent, "1001", ""}, true, "", "DNS", Time()},
        {{ChangeKind::Cancel, "1001", ""}, true, "P1", "P1", Time()},
        {{ChangeKind::Cancel, "1001", ""}, true, "", "", card},
    };
    for (const Case& c : cases) {
        test::EventBuilder ev;
        ev.Card("1001", 0, 1);
        EntryRecord& e = ev->Entry(0, 1);
        e.CardRead = c.read;
        e.CheckStatus = c.check;
        e.CardTime = c.read ? card : Time();
        SettleResultFields(e);
        EXPECT_EQ(ApplyChangeRecord(*ev, c.record), ChangeOutcome::Applied);
        EXPECT_EQ(e.Status, c.status) << c.record.Text() << " read=" << c.read;
        EXPECT_EQ(e.RunningTime, c.running) << c.record.Text() << " read=" << c.read;
    }
}

TEST(ChangeRecord, UnknownCardsAndBadTimesChangeNothing) {
    test::EventBuilder ev;
    ev.Card("1001", 0, 1);
    ev.Spare("9001");
    EXPECT_EQ(ApplyChangeRecord(*ev, {ChangeKind::Absent, "2002", ""}), ChangeOutcome::UnknownCard);
    EXPECT_EQ(ApplyChangeRecord(*ev, {ChangeKind::Absent, "9001", ""}), ChangeOutcome::UnknownCard); // nobody's spare
    EXPECT_EQ(ApplyChangeRecord(*ev, {ChangeKind::Spare, "9001", "2002"}), ChangeOutcome::UnknownCard);
    EXPECT_EQ(ApplyChangeRecord(*ev, {ChangeKind::HandTime, "1001", "1:2x"}), ChangeOutcome::BadValue);
    EXPECT_EQ(ev->Cards.Find("9001"), 1);
    EXPECT_EQ(ev->Entry(0, 1).ManualStatus, "");
    EXPECT_EQ(ApplyChangeRecord(*ev, {ChangeKind::Spare, "9001", "1001"}), ChangeOutcome::Applied);
    EXPECT_EQ(ev->Cards.Find("9001"), 0);
    EXPECT_EQ(ev->Entry(0, 1).EcardNumber, 9001);
}

} // namespace
} // namespace quilo
