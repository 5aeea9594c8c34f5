// The history's keep-visible step and the resize rules.
#include "WindowFixture.h"
#include "WindowTestEvent.h"
#include "gui/Fonts.h"
#include "gui/MainWindow.h"
#include "station/Station.h"

#include <QLabel>
#include <QPushButton>
#include <QWindow>
#include <QScrollBar>
#include <QtTest>

using namespace quilo;
using namespace quilo::test;

namespace {

struct Fixture : WindowFixture {
    explicit Fixture(const TempDir& dir) : WindowFixture(dir, Time::Hms(9, 5, 0)) {
        window.Load();
        window.show();
    }
};

} // namespace

class MainWindowLayoutTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InstallFontSubstitutions(); }

    void historyKeepsTheNewestLinesInView() {
        TempDir dir;
        // A large font leaves room for only a few lines, so the list really scrolls.
        WriteCp932(dir.File("Quilo.ini"), {"HistoryListFontSize=24"});
        Fixture f(dir);
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        QListWidget* history = f.window.lstWindow(2);
        for (int i = 1; i <= 7; ++i) f.station.OperationHistory().Report(" (変更)行" + std::to_string(i));
        QCOMPARE(history->count(), 7);
        QCOMPARE(history->item(0)->text(), QStringLiteral("09:05 (変更)行1"));
        QCOMPARE(f.window.HistoryTopIndex(), 0);
        QCOMPARE(FirstVisibleRow(history), 0);

        f.station.OperationHistory().Report(" (変更)行8");
        QCOMPARE(f.window.HistoryTopIndex(), 2);
        QCOMPARE(f.station.OperationHistory().TopIndex(), 2);
        QCOMPARE(FirstVisibleRow(history), 2);

        f.station.OperationHistory().Report(" (変更)行9");
        QCOMPARE(f.window.HistoryTopIndex(), 3);
        QCOMPARE(FirstVisibleRow(history), 3);

        // A line added without the step leaves the view alone.
        history->scrollToTop();
        f.station.OperationHistory().Report(" (読込)ゴールデータ", 0, false);
        QCOMPARE(history->count(), 10);
        QCOMPARE(FirstVisibleRow(history), 0);
        QCOMPARE(f.window.HistoryTopIndex(), 3);

        // A warning adds its lines and then takes the step once, after the last of them.
        f.station.OperationHistory().Warning({"  　スタートリストにないＥカードがあります"});
        QCOMPARE(history->count(), 12);
        QCOMPARE(f.window.HistoryTopIndex(), 6);
        QCOMPARE(FirstVisibleRow(history), 6);
        QCOMPARE(Texts(history), LineTexts(f.station.OperationHistory().Lines()));
    }

    void historyScrollsSidewaysToALongLine() {
        TempDir dir;
        Fixture f(dir);
        QListWidget* history = f.window.lstWindow(2);
        f.window.Load();
        QVERIFY(ShowExposed(f.window));
        f.station.OperationHistory().Report(" (変更)短い行");
        f.station.OperationHistory().Report(" (変更)" + std::string(200, 'x'));
        QTRY_VERIFY(history->horizontalScrollBar()->maximum() > 0);
    }

    void historyTopSetBeforeShowingIsApplied() {
        TempDir dir;
        WriteCp932(dir.File("Quilo.ini"), {"HistoryListFontSize=24"});
        Station station(dir.Path(), FixedClock(9, 5, 0));
        for (int i = 1; i <= 9; ++i) station.OperationHistory().Report(" (変更)前" + std::to_string(i));
        MainWindow window(station);
        window.Load();
        QCOMPARE(window.lstWindow(2)->count(), 9);
        QCOMPARE(window.HistoryTopIndex(), 3);
        QVERIFY(ShowExposed(window));
        QTRY_COMPARE(FirstVisibleRow(window.lstWindow(2)), 3);
    }

    void competitorListKeepsItsScrollPositionAcrossARefresh() {
        TempDir dir;
        WriteEvent(dir);
        WriteCp932(dir.File("Quilo.ini"), {"EntryListFontSize=30"});
        Fixture f(dir);
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        QListWidget* list = f.window.lstWindow(1);
        list->scrollToItem(list->item(3), QAbstractItemView::PositionAtTop);
        QCOMPARE(FirstVisibleRow(list), 3);
        f.window.StatusTimer_Timer();
        QCOMPARE(FirstVisibleRow(list), 3);
        f.window.Command4()->click();
        QCOMPARE(FirstVisibleRow(list), 3);
        QCOMPARE(Texts(list), LineTexts(f.station.Lists().competitors));
    }

    // 60 classes and 10,000 competitors: the class table keeps its design size and
    // scrolls to its last class, the competitor list to its last line, and a refresh
    // leaves both where the operator scrolled them.
    void largeEventListsScrollToEveryRow() {
        TempDir dir;
        std::vector<std::string> course, start;
        for (int c = 0; c < 60; ++c) {
            course.push_back("**:C" + std::to_string(c));
            course.insert(course.end(), {"1:31", "99:100"});
        }
        for (int i = 0; i < 10000; ++i)
            start.push_back(std::to_string(20000 + i) + ",C" + std::to_string(i % 60) + ",10:" +
                            std::to_string(10 + i % 50) + ":00," + std::to_string(i % 9000 + 1) + ",選手" +
                            std::to_string(i) + ",0,クラブ");
        WriteCp932(dir.File("Control.dat"), course);
        WriteCp932(dir.File("Startlst.dat"), start);
        WriteCp932(dir.File("Regnly.log"), {"1,2,3,4,5,(20001),31,0:10:00,100,0:35:00"});
        Fixture f(dir);
        QVERIFY(QTest::qWaitForWindowExposed(&f.window));
        QListWidget* classes = f.window.lstWindow(0);
        QListWidget* entries = f.window.lstWindow(1);
        QCOMPARE(classes->geometry(), QRect(24, 32, 305, 136));
        QCOMPARE(classes->count(), 61);
        QCOMPARE(entries->count(), 10000 + 2 * 60);
        for (QListWidget* list : {classes, entries}) {
            QVERIFY(list->verticalScrollBar()->maximum() > 0);
            QListWidgetItem* last = list->item(list->count() - 1);
            list->scrollToItem(last);
            QVERIFY(list->viewport()->rect().contains(list->visualItemRect(last)));
        }
        QCOMPARE(classes->item(60)->text().left(3), QStringLiteral("C59"));
        const int classTop = FirstVisibleRow(classes);
        const int entryTop = FirstVisibleRow(entries);
        QVERIFY(classTop > 0);
        f.window.StatusTimer_Timer();
        QCOMPARE(FirstVisibleRow(classes), classTop);
        QCOMPARE(FirstVisibleRow(entries), entryTop);
        QCOMPARE(Texts(classes), LineTexts(f.station.Lists().classStatus));
        QCOMPARE(Texts(entries), LineTexts(f.station.Lists().competitors));
    }

    void controlsFollowTheWindowSize() {
        TempDir dir;
        Fixture f(dir);
        MainWindow& w = f.window;
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.resize(900, 700);
        QTRY_COMPARE(w.size(), QSize(900, 700));
        // Outer size W = 900 * 15 + 120, H = 700 * 15 + 375 twips.
        QCOMPARE(w.OuterWidthTwips(), 13620);
        QCOMPARE(w.OuterHeightTwips(), 10875);
        QCOMPARE(w.lstWindow(2)->geometry(), QRect(352, 32, (13620 - 5700) / 15, 136));
        QCOMPARE(w.lstWindow(1)->geometry(), QRect(24, 216, (13620 - 780) / 15, (10875 - 4425) / 15));
        QCOMPARE(w.Command3()->geometry(), QRect((13620 + 6720 - 10155) / 15, 184, 81, 25));
        QCOMPARE(w.Command4()->geometry(), QRect((13620 + 8160 - 10155) / 15, 184, 81, 25));
        const int buttonsTop = (10875 + 7260 - 8265) / 15;
        QCOMPARE(w.Command1()->geometry(), QRect((13620 + 4440 - 10155) / 15, buttonsTop, 105, 33));
        QCOMPARE(w.Command2()->geometry(), QRect((13620 + 6240 - 10155) / 15, buttonsTop, 105, 33));
        QCOMPARE(w.Command5()->geometry(), QRect((13620 + 8040 - 10155) / 15, buttonsTop, 105, 33));
        QCOMPARE(w.lblTime()->geometry(), QRect(48, (10875 + 7320 - 8265) / 15, 145, 25));
        // These never move.
        QCOMPARE(w.lstWindow(0)->geometry(), QRect(24, 32, 305, 136));
        QCOMPARE(w.lblTitle(1)->geometry(), QRect(16, 192, 81, 13));
    }

    void tooSmallSnapsBackToTheMinimum() {
        TempDir dir;
        Fixture f(dir);
        MainWindow& w = f.window;
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // Through the widget: the size hint already keeps it at the minimum.
        w.resize(300, 200);
        QTRY_VERIFY(w.OuterWidthTwips() >= 8000 && w.OuterHeightTwips() >= 6000);
        // Straight through the platform window, as a window manager ignoring the hint
        // would; from a larger size so that only the snap-back can give the minimum.
        w.resize(700, 600);
        QTRY_COMPARE(w.size(), QSize(700, 600));
        w.windowHandle()->resize(300, 200);
        QTRY_COMPARE(w.size(), QSize(526, 375));
        QCOMPARE(w.OuterWidthTwips(), 8010);
        QCOMPARE(w.OuterHeightTwips(), 6000);
        QCOMPARE(w.lstWindow(1)->height(), (6000 - 4425) / 15);
        QCOMPARE(w.Command5()->geometry().right() < w.width(), true);
        QCOMPARE(w.Command5()->geometry().bottom() < w.height(), true);
        // Only one dimension too small: the other one stays.
        w.windowHandle()->resize(800, 200);
        QTRY_COMPARE(w.size(), QSize(800, 375));
    }

    void minimizedLeavesTheLayout() {
        TempDir dir;
        Fixture f(dir);
        MainWindow& w = f.window;
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QRect before = w.lstWindow(1)->geometry();
        const QRect button = w.Command1()->geometry();
        w.setWindowState(Qt::WindowMinimized);
        QVERIFY(w.isMinimized());
        w.windowHandle()->resize(300, 200);
        QTest::qWait(50);
        QCOMPARE(w.lstWindow(1)->geometry(), before);
        QCOMPARE(w.Command1()->geometry(), button);
    }
};

QTEST_MAIN(MainWindowLayoutTest)
#include "MainWindowLayout_qtest.moc"
