// The history's keep-visible step and the resize rules.
#include "WindowFixture.h"
#include "WindowTestEvent.h"
#include "gui/Fonts.h"
#include "gui/MainWindow.h"
#include "station/Station.h"

#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QWindow>
#include <QtTest>

#include <iterator>
#include <vector>

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
            start.push_back(std::to_string(20000 + i) + ",C" + std::to_string(i % 60) + ",10:" + std::to_string(10 + i % 50) +
                            ":00," + std::to_string(i % 9000 + 1) + ",選手" + std::to_string(i) + ",0,クラブ");
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

    // Relations rather than places, at sizes asked through the platform window as a window
    // manager ignoring the size hint would, some below the minimum: the window snaps back
    // to the minimum, each control is inside it and clear of the others, the lists take up
    // the growth, the controls right of and below them keep their distance to those edges.
    void layoutHoldsAtEverySize() {
        TempDir dir;
        Fixture f(dir);
        MainWindow& w = f.window;
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QSize opening = w.size();
        QCOMPARE(opening * MainWindow::kTwipsPerPixel, QSize(10155, 7890));
        QWidget* const placed[] = {w.lblTitle(0), w.lstWindow(0), w.lblTitle(2), w.lstWindow(2), w.lblTitle(1), w.lstWindow(1),
                                   w.Command3(),  w.Command4(),   w.Command1(),  w.Command2(),   w.Command5(),  w.lblTime()};
        // Per control: moves right, moves down, grows wider, grows taller with the window.
        const int follows[][4] = {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 0}, {0, 0, 1, 1},
                                  {1, 0, 0, 0}, {1, 0, 0, 0}, {1, 1, 0, 0}, {1, 1, 0, 0}, {1, 1, 0, 0}, {0, 1, 0, 0}};
        std::vector<QRect> atOpening;
        for (QWidget* c : placed) atOpening.push_back(c->geometry());
        // Through the widget the size hint alone keeps it at the minimum: the smallest size
        // of at least 8000 x 6000 twips outside.
        w.resize(300, 200);
        QTRY_COMPARE(w.size(), w.minimumSize());
        QVERIFY(w.OuterWidthTwips() >= 8000 && w.OuterWidthTwips() - MainWindow::kTwipsPerPixel < 8000);
        QVERIFY(w.OuterHeightTwips() >= 6000 && w.OuterHeightTwips() - MainWindow::kTwipsPerPixel < 6000);
        for (QSize asked : {QSize(900, 700), QSize(1200, 420), QSize(540, 900), QSize(800, 200), QSize(400, 600),
                            QSize(300, 200), opening}) {
            w.resize(700, 700); // so that only the snap-back can give the minimum
            QTRY_COMPARE(w.size(), QSize(700, 700));
            w.windowHandle()->resize(asked);
            QTRY_COMPARE(w.size(), asked.expandedTo(w.minimumSize()));
            const QSize d = w.size() - opening;
            for (std::size_t i = 0; i < std::size(placed); ++i) {
                const QRect r = placed[i]->geometry();
                const int* g = follows[i];
                QVERIFY2(placed[i]->isVisible() && w.rect().contains(r), qPrintable(placed[i]->objectName()));
                QCOMPARE(r, atOpening[i]
                                .translated(g[0] * d.width(), g[1] * d.height())
                                .adjusted(0, 0, g[2] * d.width(), g[3] * d.height()));
                // Below the opening width the clock may run under the read button.
                for (std::size_t j = i + 1; j < std::size(placed); ++j)
                    if (d.width() >= 0 || placed[j] != w.lblTime())
                        QVERIFY2(!r.intersects(placed[j]->geometry()), qPrintable(QStringLiteral("%1 %2").arg(i).arg(j)));
            }
            QVERIFY(w.Command3()->geometry().right() < w.Command4()->x());
            QVERIFY(w.Command1()->geometry().right() < w.Command2()->x());
            QVERIFY(w.Command2()->geometry().right() < w.Command5()->x());
        }
        // Minimized, a resize leaves the layout alone.
        w.setWindowState(Qt::WindowMinimized);
        QVERIFY(w.isMinimized());
        w.windowHandle()->resize(300, 200);
        QTest::qWait(50);
        for (std::size_t i = 0; i < std::size(placed); ++i) QCOMPARE(placed[i]->geometry(), atOpening[i]);
    }
};

QTEST_MAIN(MainWindowLayoutTest)
#include "MainWindowLayout_qtest.moc"
