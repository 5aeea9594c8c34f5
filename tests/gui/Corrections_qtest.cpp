// The real window with its real dialogs: cards spelled with leading zeros open and
// correct their competitor, a mistyped bib at the spare-card question is caught, the
// timer refreshes nothing inside a read, and the live station reads on after a dialog.
#include "DialogWidgetTest.h"
#include "WindowFixture.h"
#include "WindowTestEvent.h"
#include "core/Cp932.h"
#include "gui/EditDialog.h"
#include "gui/Fonts.h"
#include "gui/SpareDialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <functional>

using namespace quilo;
using namespace quilo::test;

namespace {

void DoubleClickRow(QListWidget* list, int row) {
    list->scrollToItem(list->item(row));
    const QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

int RowContaining(const QListWidget* list, const QString& text) {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().contains(text)) return i;
    return -1;
}

void Append(const std::string& path, const std::string& utf8) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << Utf8ToCp932(utf8);
}

EventFiles ZeroCardEvent() {
    return {.course = {"**:M21", "1:31", "99:100"},
            .startList = {"01234,M21,10:00:00,101,山田太郎,1,東京OLC", "1234,M21,10:02:00,102,鈴木一郎,2,大阪OLC",
                          "90001,M21,10:04:00,103,高橋三郎,3,京都OLC", "09001,**"},
            .finishLog = {"1,2,3,4,5,(01234),31,0:10:00,100,0:35:00"}};
}

} // namespace

class CorrectionsTest : public QObject {
    Q_OBJECT

    std::vector<Shown> shown;
    std::vector<QString> asked;
    bool answer = true;

private slots:
    void initTestCase() { InstallFontSubstitutions(); }
    void init() {
        shown.clear();
        asked.clear();
        DialogMessageHook() = [this](QWidget*, const QString& text, MessageIcon icon) { shown.push_back({text, icon}); };
        DialogQuestionHook() = [this](QWidget*, const QString& text) {
            asked.push_back(text);
            return answer;
        };
    }
    void cleanup() {
        DialogMessageHook() = nullptr;
        DialogQuestionHook() = nullptr;
    }

    // Each card opens its own competitor from the list, the correction names the card as
    // the start list spells it, and the correction's history line opens them again.
    void leadingZeroCardsOpenTheirCompetitor() {
        struct Case {
            const char* card;
            const char* name;
        } cases[] = {{"01234", "山田太郎"}, {"1234", "鈴木一郎"}, {"90001", "高橋三郎"}};
        TempDir dir;
        WriteEventFiles(dir, ZeroCardEvent());
        Station station(dir.Path(), FixedClock(Time::Hms(12, 0, 0)));
        MainWindow window(station);
        window.Load();
        QVERIFY(ShowExposed(window));
        std::vector<std::string> expected;
        for (const Case& c : cases) {
            QListWidget* list = window.lstWindow(1);
            const int row = RowContaining(list, QString::fromUtf8(c.name));
            QVERIFY(row >= 0);
            bool seen = false;
            WhenOpen<EditDialog>(
                [](EditDialog& d) {
                    Find<QCheckBox>(d, "Check2")->click();
                    Find<QPushButton>(d, "Command1")->click();
                },
                &seen);
            DoubleClickRow(list, row);
            QVERIFY2(seen, c.card);
            expected.push_back(std::string("参考/") + c.card);
            QCOMPARE(ReadCp932Lines(dir.File("Change.dat")), expected);
            // The history line of the correction: the dialog opens on them, now a reference.
            QListWidget* history = window.lstWindow(2);
            seen = false;
            WhenOpen<EditDialog>(
                [&](EditDialog& d) {
                    QCOMPARE(d.windowTitle(), QString::fromUtf8(c.name));
                    QVERIFY(Find<QCheckBox>(d, "Check2")->isChecked());
                    d.reject();
                },
                &seen);
            DoubleClickRow(history, history->count() - 1);
            QVERIFY(seen);
        }
        QVERIFY(shown.empty());
    }

    // A mistyped bib of a competitor who has finished: asked first; "no" keeps the dialog
    // open with nothing changed, "yes" assigns. The edit dialog refuses the slips.
    void spareCardForAFinishedCompetitorAsksFirst() {
        TempDir dir;
        EventFiles files = ZeroCardEvent();
        files.finishLog.push_back("1,2,3,4,5,(09001),31,0:10:00,100,0:36:00");
        WriteEventFiles(dir, files);
        Station station(dir.Path(), FixedClock(Time::Hms(12, 0, 0)));
        MainWindow window(station);
        int round = 0;
        window.spareOpener = [&](Station& s, int spareRow, QWidget* owner) {
            ++round;
            bool seen = false;
            answer = false;
            WhenOpen<SpareDialog>(
                [&](SpareDialog& d) {
                    Find<QLineEdit>(d, "Text1")->setText(QStringLiteral("0101"));
                    Find<QPushButton>(d, "Command1")->click(); // "no": still open
                    QCOMPARE(asked.size(), std::size_t(1));
                    QVERIFY(asked[0].contains(QStringLiteral("(0101) 山田太郎")));
                    QVERIFY(asked[0].contains(QStringLiteral("01234")));
                    QVERIFY(asked[0].contains(QStringLiteral("0:35'00\"")));
                    QVERIFY(d.isVisible());
                    QVERIFY(!std::filesystem::exists(dir.File("Change.dat")));
                    answer = true;
                    Find<QPushButton>(d, "Command1")->click();
                },
                &seen);
            const SpareAnswer assigned = OpenSpareDialog(s, spareRow, owner);
            [&] { QVERIFY(seen); }();
            return assigned;
        };
        window.Load();
        QCOMPARE(round, 1);
        QCOMPARE(ReadCp932Lines(dir.File("Change.dat")), std::vector<std::string>{"予備/09001,01234"});

        // The edit dialog: " OK " is refused as "OK", "abc" minutes are refused.
        QVERIFY(ShowExposed(window));
        QListWidget* list = window.lstWindow(1);
        for (auto fill :
             std::vector<std::function<void(EditDialog&)>>{[](EditDialog& d) {
                                                               Find<QCheckBox>(d, "Check4")->click();
                                                               Find<QRadioButton>(d, "Option2")->click();
                                                               Find<QLineEdit>(d, "Text3")->setText(QStringLiteral(" OK "));
                                                           },
                                                           [](EditDialog& d) {
                                                               Find<QCheckBox>(d, "Check3")->click();
                                                               Find<QLineEdit>(d, "Text1")->setText(QStringLiteral("abc"));
                                                           }}) {
            bool seen = false;
            WhenOpen<EditDialog>(
                [&](EditDialog& d) {
                    fill(d);
                    Find<QPushButton>(d, "Command1")->click();
                    QVERIFY(d.isVisible());
                    d.reject();
                },
                &seen);
            DoubleClickRow(list, RowContaining(list, QStringLiteral("鈴木一郎")));
            QVERIFY(seen);
        }
        QCOMPARE(shown.size(), std::size_t(2));
        QCOMPARE(shown[0].text, QString::fromUtf8(EditLogic::kOkAsCode));
        QCOMPARE(shown[1].text, QString::fromUtf8(EditLogic::kBadLate));
        QCOMPARE(ReadCp932Lines(dir.File("Change.dat")), std::vector<std::string>{"予備/09001,01234"});
    }

    // The 30 s timer fires while the spare-card question is open inside a read: nothing
    // is refreshed or published before the answer.
    void timerInsideAReadRefreshesNothing() {
        TempDir dir;
        EventFiles files = ZeroCardEvent();
        files.finishLog = {"1,2,3,4,5,(09001),31,0:10:00,100,0:36:00"};
        WriteEventFiles(dir, files);
        WriteCp932(dir.File("Quilo.ini"), {"AutoPublish=1"});
        WindowFixture f(dir, Time::Hms(12, 0, 0));
        bool inside = false;
        f.window.spareOpener = [&](Station&, int, QWidget*) {
            [&] {
                const int before = f.refreshes;
                f.window.StatusTimer_Timer();
                QCOMPARE(f.refreshes, before);
                QVERIFY(!std::filesystem::exists(dir.File("E_Result.txt")));
                QCOMPARE(f.window.lstWindow(1)->count(), 0);
                inside = true;
            }();
            return SpareAnswer::Cancelled;
        };
        f.LoadAndCountRefreshes();
        QVERIFY(inside);
        QVERIFY(std::filesystem::exists(dir.File("E_Result.txt")));
    }

    // With AutoRead=1, reading goes on after the edit dialog opened by a double click,
    // from either list, was closed or applied.
    void liveReadingGoesOnAfterTheEditDialog() {
        TempDir dir;
        WriteEventFiles(dir, ZeroCardEvent());
        WriteCp932(dir.File("Quilo.ini"), {"AutoRead=1"});
        Station station(dir.Path(), FixedClock(Time::Hms(12, 0, 0)));
        MainWindow window(station);
        window.Load();
        QVERIFY(ShowExposed(window));
        const std::string log = dir.File("Regnly.log");
        struct Step {
            int list;
            bool apply;
            const char* read;
            const char* shows;
        } steps[] = {
            {1, false, "1,2,3,4,5,(90001),31,0:10:00,100,0:41:00\r\n", "0:41'00\""},
            {1, true, "1,2,3,4,5,(90001),31,0:10:00,100,0:42:00\r\n", "0:42'00\""},
            {2, false, "1,2,3,4,5,(90001),31,0:10:00,100,0:43:00\r\n", "0:43'00\""},
        };
        for (const Step& s : steps) {
            QListWidget* list = window.lstWindow(s.list);
            const int row = RowContaining(list, s.list == 1 ? QStringLiteral("山田太郎") : QStringLiteral("参考記録"));
            bool seen = false;
            WhenOpen<EditDialog>(
                [&](EditDialog& d) {
                    if (!s.apply) return d.reject();
                    Find<QCheckBox>(d, "Check2")->click();
                    Find<QPushButton>(d, "Command1")->click();
                },
                &seen);
            DoubleClickRow(list, row);
            QVERIFY(seen);
            Append(log, s.read);
            QTRY_VERIFY_WITH_TIMEOUT(RowContaining(window.lstWindow(1), QString::fromUtf8(s.shows)) >= 0, 3000);
        }
    }
};

QTEST_MAIN(CorrectionsTest)
#include "Corrections_qtest.moc"
