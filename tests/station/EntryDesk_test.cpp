#include "station/EntryDesk.h"
#include "station/Messages.h"
#include "station/SpareLogic.h"
#include "station/Station.h"

#include "Clock.h"
#include "EventText.h"
#include "ReportRun.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quilo {
namespace {

using test::Cp932Bytes;
using test::FixedClock;
using test::ReadBytes;
using test::Strings;
using test::TempDir;

const Strings kCourse = {"**:M21", "1:31", "2:32", "99:100", "**:W21", "1:33", "99:100"};
const Strings kStartList = {"12345,M21,10:00:00,101,山田太郎,1,東京OLC", "12346,W21,10:02:00,102,鈴木花子,2,大阪OLC",
                            "90001,**,0:00:00,0,予備,0,予備", "12347,M21,10:04:00,103,佐藤一郎,0,京都OLC"};
std::string LogLine(const std::string& card) { return "1,2,3,4,5,(" + card + "),31,0:10:00,32,0:20:00,100,0:35:00"; }

class EntryDeskTest : public ::testing::Test {
protected:
    void Start(Strings changes = {}, Strings log = {}) {
        test::WriteEventFiles(dir, {.course = kCourse, .startList = kStartList, .changes = changes, .finishLog = log});
        Restart();
    }
    void Restart() {
        station = std::make_unique<Station>(dir.Path(), FixedClock(11, 0, 0));
        station->Startup();
    }
    // The station as a fresh start on the same folder sees it.
    void ExpectSameAsRestart() {
        Station fresh(dir.Path(), FixedClock(11, 0, 0));
        fresh.Startup();
        fresh.RefreshStatus(); // as the window's start does, with or without a log
        EXPECT_EQ(test::EventText(station->Tables()), test::EventText(fresh.Tables()));
        EXPECT_EQ(station->Lists().competitors, fresh.Lists().competitors);
        EXPECT_EQ(station->Lists().classStatus, fresh.Lists().classStatus);
    }
    int Row(const std::string& card) { return station->Tables().Cards.Find(card).value_or(-1); }
    std::string StartListBytes() { return ReadBytes(dir.File("Startlst.dat")); }

    TempDir dir;
    std::unique_ptr<Station> station;
};

EntryForm NewRunner() { return {"12350", "W21", "10:30:00", "120", "高橋 恵", "0", "札幌OLC"}; }

// Every refusal leaves the files and the history as they were and says what is wrong.
TEST_F(EntryDeskTest, RefusalsWriteNothing) {
    Strings rows = kStartList;
    rows.push_back("1234,M21,10:06:00,104,古い番号,0,X");
    test::WriteEventFiles(dir, {.course = kCourse, .startList = rows});
    Restart();
    struct Case {
        std::string EntryForm::*field;
        std::string value;
        std::string says;
    };
    const Case cases[] = {
        {&EntryForm::className, "M22", "クラス「M22」はコントロールデータにありません"},
        {&EntryForm::className, "**", "クラス「**」"},
        {&EntryForm::card, "1234", "5桁の数字"},
        {&EntryForm::card, "123456", "5桁の数字"},
        {&EntryForm::card, "1234a", "5桁の数字"},
        {&EntryForm::card, "12346", "すでに登録されています（102 鈴木花子）"},
        {&EntryForm::card, "90001", "予備Ｅカードです"},
        {&EntryForm::start, "25:00:00", "スタート時刻"},
        {&EntryForm::start, "", "スタート時刻"},
        {&EntryForm::bib, "12a", "ゼッケン番号は整数"},
        {&EntryForm::number, "", "番号は整数"},
        {&EntryForm::name, "山田\"太郎", "氏名に「\"」は使えません"},
        {&EntryForm::club, "クラブ😀", "所属に Startlst.dat に書けない文字"},
        {&EntryForm::name, "a\tb", "氏名に Startlst.dat に書けない文字"},
        {&EntryForm::club, "a\x7F", "所属に Startlst.dat に書けない文字"},
        {&EntryForm::card, "01234", "すでに登録されています（104 古い番号）"}, // "1234" by number
    };
    const std::string before = StartListBytes();
    const std::size_t lines = station->OperationHistory().Lines().size();
    for (const Case& c : cases) {
        EntryForm form = NewRunner();
        form.*c.field = c.value;
        const DialogOutcome r = EntryDesk(*station).Ok(form);
        EXPECT_TRUE(r.refused) << c.value;
        EXPECT_NE(r.message.find(c.says), std::string::npos) << c.value << ": " << r.message;
    }
    EXPECT_EQ(StartListBytes(), before);
    EXPECT_FALSE(std::filesystem::exists(dir.File("Startlst.dat.bak")));
    EXPECT_EQ(station->OperationHistory().Lines().size(), lines);
}

// One whole CP932 CR LF line at the end, quotes around a name with a comma, blanks typed
// around fields gone; the window shows what a restart gives.
TEST_F(EntryDeskTest, NewEntryAppendsOneWholeLine) {
    test::WriteEventFiles(dir, {.course = kCourse, .finishLog = {LogLine("12350")}});
    test::WriteCp932(dir.File("Startlst.dat"), kStartList, false);
    Restart();
    const std::string before = StartListBytes();
    EntryForm form = NewRunner();
    form.name = " 高橋, 恵　";
    form.className = "\tW21 ";
    form.card = "12350\t";
    const DialogOutcome r = EntryDesk(*station).Ok(form);
    ASSERT_FALSE(r.refused) << r.message;
    EXPECT_EQ(StartListBytes(), before + Cp932Bytes({"", "12350,W21,10:30:00,120,\"高橋, 恵\",0,札幌OLC"}));
    EXPECT_EQ(ReadBytes(dir.File("Startlst.dat.bak")), before);
    const int n = Row("12350");
    ASSERT_EQ(n, 4);
    EXPECT_EQ(station->Tables().EntryOf(n)->Name, "高橋, 恵");
    // The runner's card was in the log already: read by the reload.
    EXPECT_TRUE(station->Tables().EntryOf(n)->CardRead);
    const HistoryLine& last = station->OperationHistory().Lines().back();
    EXPECT_EQ(last.text, "11:00 (当日申込)120 高橋, 恵 W21");
    EXPECT_EQ(last.competitor, n);
    EXPECT_EQ(last.itemData, 12350);
    ExpectSameAsRestart();
    // The same card again is another row's now.
    EXPECT_TRUE(EntryDesk(*station).Ok(NewRunner()).refused);
}

// A fix replaces the row in place: every other byte stays, fields past the seventh too.
TEST_F(EntryDeskTest, FixReplacesTheRowInPlace) {
    Strings rows = kStartList;
    rows[0] += ",extra,\"x,y\"";
    test::WriteEventFiles(dir, {.course = kCourse, .startList = rows});
    Restart();
    const std::string before = StartListBytes();
    EntryDesk desk(*station, Row("12345"));
    ASSERT_TRUE(desk.CanOpen());
    EXPECT_STREQ(desk.Title(), "出走者情報の修正");
    EXPECT_EQ(desk.Form(), (EntryForm{"12345", "M21", "10:00:00", "101", "山田太郎", "1", "東京OLC"}));
    EntryForm form = desk.Form();
    form.name = "山田太朗";
    form.club = "横浜OLC";
    ASSERT_FALSE(desk.Ok(form).refused);
    rows[0] = "12345,M21,10:00:00,101,山田太朗,1,横浜OLC,extra,\"x,y\"";
    EXPECT_EQ(StartListBytes(), Cp932Bytes(rows));
    EXPECT_EQ(ReadBytes(dir.File("Startlst.dat.bak")), before);
    const Strings history = station->OperationHistory().Texts();
    ASSERT_GE(history.size(), 2u);
    EXPECT_EQ(history[history.size() - 2], "11:00 (修正)101 山田太朗: 氏名 山田太郎 → 山田太朗");
    EXPECT_EQ(history.back(), "11:00 (修正)101 山田太朗: 所属 東京OLC → 横浜OLC");
    ExpectSameAsRestart();
    // Nothing changed: nothing written, nothing said.
    const std::size_t lines = station->OperationHistory().Lines().size();
    EntryDesk again(*station, Row("12345"));
    ASSERT_FALSE(again.Ok(again.Form()).refused);
    EXPECT_EQ(station->OperationHistory().Lines().size(), lines);
}

TEST_F(EntryDeskTest, AStartListEditedByHandIsNotWrittenOver) {
    Start();
    std::string edited = StartListBytes() + Cp932Bytes({"12360,M21,11:00:00,130,手書き,0,X"});
    test::WriteBytes(dir.File("Startlst.dat"), edited);
    for (int competitor : {-1, Row("12345")}) {
        EntryDesk desk(*station, competitor);
        EntryForm form = competitor < 0 ? NewRunner() : desk.Form();
        form.name = "別人";
        const DialogOutcome r = desk.Ok(form);
        EXPECT_TRUE(r.refused);
        EXPECT_EQ(r.message, kStartListChanged);
    }
    EXPECT_EQ(StartListBytes(), edited);
    // Taken away is changed too; and a start list that was missing must still be.
    std::filesystem::remove(dir.File("Startlst.dat"));
    EXPECT_EQ(EntryDesk(*station).Ok(NewRunner()).message, kStartListChanged);
    Restart();
    test::WriteBytes(dir.File("Startlst.dat"), "");
    EXPECT_EQ(EntryDesk(*station).Ok(NewRunner()).message, kStartListChanged);
}

// A file that cannot be written: said, and the start list as it was.
TEST_F(EntryDeskTest, AWriteThatFailsChangesNothing) {
    Start();
    const std::string before = StartListBytes();
    std::filesystem::create_directory(dir.File("Startlst.dat.bak"));
    const DialogOutcome r = EntryDesk(*station).Ok(NewRunner());
    EXPECT_TRUE(r.refused);
    EXPECT_EQ(r.message.rfind(kStartListNotWritten, 0), 0u) << r.message;
    EXPECT_EQ(StartListBytes(), before);
    EXPECT_FALSE(station->Tables().Cards.Find("12350"));
    // The previous version kept, the new one refused: the start list still as it was.
    std::filesystem::remove(dir.File("Startlst.dat.bak"));
    std::filesystem::create_directory(dir.File("Startlst.dat.quilo-tmp"));
    EXPECT_TRUE(EntryDesk(*station).Ok(NewRunner()).refused);
    EXPECT_EQ(StartListBytes(), before);
}

// Class, card or start of a competitor with a result: asked first, and said what changes.
TEST_F(EntryDeskTest, AFixToACompetitorWithAResultAsksFirst) {
    Start({}, {LogLine("12345")});
    const std::string before = StartListBytes();
    EntryDesk desk(*station, Row("12345"));
    EntryForm form = desk.Form();
    form.start = "10:05:00";
    DialogOutcome r = desk.Ok(form);
    ASSERT_TRUE(r.confirm);
    EXPECT_NE(r.message.find("スタート時刻 10:00:00 → 10:05:00"), std::string::npos) << r.message;
    EXPECT_EQ(StartListBytes(), before);
    r = desk.Ok(form, true);
    EXPECT_FALSE(r.confirm || r.refused);
    EXPECT_EQ(station->Tables().EntryOf(Row("12345"))->StartTime, test::T(10, 5));
    // A name is no question.
    EntryDesk name(*station, Row("12345"));
    form = name.Form();
    form.name = "山田";
    EXPECT_FALSE(name.Ok(form).confirm);
    ExpectSameAsRestart();
}

// A card swap: the new card reads, the old one is unknown; but a card the change file
// names stays, or the next start could not replay those records.
TEST_F(EntryDeskTest, CardSwap) {
    Start({"遅刻/12346,3", "メモ/12345", "欠席/12347"}, {LogLine("12345"), LogLine("12355")});
    EntryDesk swap(*station, Row("12345"));
    EntryForm form = swap.Form();
    form.card = "12355";
    ASSERT_FALSE(swap.Ok(form, true).refused);
    const EntryRecord* e = station->Tables().EntryOf(Row("12355"));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Name, "山田太郎");
    EXPECT_FALSE(station->Tables().Cards.Find("12345"));
    ExpectSameAsRestart();

    EntryDesk named(*station, Row("12346"));
    form = named.Form();
    form.card = "12356";
    const DialogOutcome r = named.Ok(form, true);
    EXPECT_TRUE(r.refused);
    EXPECT_NE(r.message.find("Change.dat"), std::string::npos);
    // An absent competitor has a result too: a new class is asked first.
    EntryDesk absent(*station, Row("12347"));
    form = absent.Form();
    form.className = "W21";
    EXPECT_TRUE(absent.Ok(form).confirm);
}

// The spare card given to the wrong runner, then to the right one: each has their own
// card's read only, in the window and after a restart.
TEST_F(EntryDeskTest, SpareCardGivenAgain) {
    Start({}, {LogLine("90001")});
    const int wrong = Row("12345"), right = Row("12347");
    station->SetSparePrompt([&](int spareRow) {
        SpareLogic l(*station, spareRow);
        l.Load();
        l.SetBibText("0101");
        return l.Ok(true).refused ? SpareAnswer::Cancelled : l.Answer();
    });
    station->ReadFinishLog();
    ASSERT_TRUE(station->Tables().EntryOf(wrong)->CardRead);
    const auto spareRow = SpareRowHeldBy(*station, wrong);
    ASSERT_TRUE(spareRow);
    EXPECT_FALSE(SpareRowHeldBy(*station, right));

    SpareLogic again(*station, *spareRow);
    again.Load();
    again.SetBibText("0103");
    ASSERT_FALSE(again.Ok(true).refused);
    station->Reload();
    const Event& ev = station->Tables();
    EXPECT_FALSE(ev.EntryOf(wrong)->CardRead);
    EXPECT_EQ(ev.EntryOf(wrong)->EcardNumber, 12345);
    EXPECT_EQ(ev.EntryOf(wrong)->EcardText, "12345");
    EXPECT_TRUE(ev.EntryOf(right)->CardRead);
    EXPECT_EQ(ev.EntryOf(right)->EcardNumber, 90001);
    EXPECT_FALSE(SpareRowHeldBy(*station, wrong));
    ExpectSameAsRestart();
}

// The reload keeps the history as it was, and a spare card nobody answered stays
// unassigned without a question.
TEST_F(EntryDeskTest, ReloadAsksNothingAndKeepsTheHistory) {
    Start({}, {LogLine("90001")});
    const Strings before = station->OperationHistory().Texts();
    int asked = 0;
    station->SetSparePrompt([&](int) {
        ++asked;
        return SpareAnswer::Cancelled;
    });
    station->Reload();
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(station->OperationHistory().Texts(), before);
    ExpectSameAsRestart();
}

TEST_F(EntryDeskTest, ADeskThatCannotOpenSaysWhy) {
    test::WriteEventFiles(dir, {.course = kCourse, .startList = {"12345,M99,10:00:00,101,X,0,Y"}});
    Restart();
    EntryDesk desk(*station);
    EXPECT_FALSE(desk.CanOpen());
    EXPECT_NE(desk.Why().find("クラス"), std::string::npos);
    EXPECT_TRUE(desk.Ok(NewRunner()).refused);
    Start();
    EXPECT_FALSE(EntryDesk(*station, Row("90001")).CanOpen()); // a spare row is nobody
    EXPECT_FALSE(EntryDesk(*station, 99).CanOpen());
    // Nothing opens inside a read (the spare-card question waits in one).
    std::string why;
    test::WriteEventFiles(dir, {.finishLog = {LogLine("90001")}});
    station->SetSparePrompt([&](int) {
        why = EntryDesk(*station).Why();
        return SpareAnswer::Cancelled;
    });
    station->ReadFinishLog();
    EXPECT_NE(why.find("読み込み中"), std::string::npos);
    // Without a course file the form has no class to offer.
    std::filesystem::remove(dir.File("Control.dat"));
    std::filesystem::remove(dir.File("Startlst.dat"));
    Restart();
    EntryDesk empty(*station);
    EXPECT_TRUE(empty.CanOpen());
    EXPECT_EQ(empty.Form().className, "");
    EXPECT_TRUE(empty.Classes().empty());
}

// A start list written as UTF-8 stays UTF-8; none at all is made.
TEST_F(EntryDeskTest, TheFileKeepsItsEncoding) {
    test::WriteEventFiles(dir, {.course = kCourse});
    test::WriteBytes(dir.File("Startlst.dat"),
                     "\xEF\xBB\xBF"
                     "12345,M21,10:00:00,101,山田太郎,1,東京OLC\n");
    Restart();
    ASSERT_FALSE(EntryDesk(*station).Ok(NewRunner()).refused);
    EXPECT_EQ(StartListBytes(),
              "\xEF\xBB\xBF"
              "12345,M21,10:00:00,101,山田太郎,1,東京OLC\n12350,W21,10:30:00,120,高橋 恵,0,札幌OLC\r\n");
    std::filesystem::remove(dir.File("Startlst.dat"));
    Restart();
    ASSERT_FALSE(EntryDesk(*station).Ok(NewRunner()).refused);
    EXPECT_EQ(StartListBytes(), Cp932Bytes({"12350,W21,10:30:00,120,高橋 恵,0,札幌OLC"}));
    ExpectSameAsRestart();
}

TEST_F(EntryDeskTest, ReportAddsEntriesOrNamesTheRefusal) {
    Start();
    test::ReportRun run =
        test::Report({"--now", "11:00:00", "--add-entry", "12350,W21,10:30:00,120,\"高橋, 恵\",0,札幌OLC", dir.Path()});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("(当日申込)120 高橋, 恵 W21"), std::string::npos);
    EXPECT_NE(run.out.find("高橋, 恵"), std::string::npos);
    run = test::Report({"--add-entry", "12351,W22,10:30:00,121,X,0,Y", dir.Path()});
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("--add-entry 12351,W22,10:30:00,121,X,0,Y: クラス「W22」"), std::string::npos) << run.err;
    // A refusal of two lines is printed on one; a flag without its row is bad usage.
    run = test::Report({"--add-entry", "90001,W21,10:30:00,121,X,0,Y", dir.Path()});
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("予備Ｅカードです。 予備Ｅカードは"), std::string::npos) << run.err;
    run = test::Report({dir.Path(), "--add-entry"});
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("--add-entry needs a start-list row"), std::string::npos) << run.err;
}

} // namespace
} // namespace quilo
