// The window's buttons and double clicks.
#include "WindowFixture.h"
#include "WindowTestEvent.h"
#include "core/Event.h"
#include "gui/Fonts.h"
#include "gui/MainWindow.h"
#include "station/Station.h"

#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <fstream>

using namespace quilo;
using namespace quilo::test;

namespace {

const Time kNoon = Time::Hms(12, 0, 0);

struct Fixture : WindowFixture {
    explicit Fixture(const TempDir& dir) : WindowFixture(dir, kNoon) { LoadAndCountRefreshes(); }
};

void DoubleClickRow(QListWidget* list, int row) {
    list->scrollToItem(list->item(row));
    QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

} // namespace

class MainWindowCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InstallFontSubstitutions(); }

    void sortButtonsSwapColoursAndOrder() {
        TempDir dir;
        WriteEvent(dir);
        Fixture f(dir);
        MainWindow& w = f.window;
        const QColor green(0xC0, 0xFF, 0xC0);
        QCOMPARE(MainWindow::SelectedColour(), green);
        QCOMPARE(w.Command3()->palette().color(QPalette::Button), green);
        QCOMPARE(w.Command4()->palette().color(QPalette::Button), MainWindow::ButtonFaceColour());
        QVERIFY(green != MainWindow::ButtonFaceColour());
        const QStringList startOrder = Texts(w.lstWindow(1));
        QCOMPARE(RowOf(w.lstWindow(1), QStringLiteral("◆◆ 欠席")), -1);

        QTest::mouseClick(w.Command4(), Qt::LeftButton);
        QVERIFY(f.station.SortByResult());
        QCOMPARE(w.Command4()->palette().color(QPalette::Button), green);
        QCOMPARE(w.Command3()->palette().color(QPalette::Button), MainWindow::ButtonFaceColour());
        QCOMPARE(f.refreshes, 1);
        QCOMPARE(Texts(w.lstWindow(1)), LineTexts(f.station.Lists().competitors));
        QVERIFY(RowOf(w.lstWindow(1), QStringLiteral("◆◆ 欠席")) >= 0);
        QVERIFY(RowOf(w.lstWindow(1), QStringLiteral("◆◆ 未帰還者")) >= 0);

        QTest::mouseClick(w.Command3(), Qt::LeftButton);
        QVERIFY(!f.station.SortByResult());
        QCOMPARE(w.Command3()->palette().color(QPalette::Button), green);
        QCOMPARE(w.Command4()->palette().color(QPalette::Button), MainWindow::ButtonFaceColour());
        // A flat fill of exactly that colour, left and right of the caption.
        const QImage face = w.Command3()->grab().toImage();
        for (int x : {4, face.width() - 5}) QCOMPARE(QColor(face.pixel(x, face.height() / 2)), green);
        QCOMPARE(Texts(w.lstWindow(1)), startOrder);
        QCOMPARE(w.cursor().shape(), Qt::ArrowCursor); // the hourglass is gone again
    }

    void doubleClickOnAHeadingDoesNothing() {
        TempDir dir;
        WriteEvent(dir);
        Fixture f(dir);
        QVERIFY(ShowExposed(f.window));
        QListWidget* list = f.window.lstWindow(1);
        QCOMPARE(list->item(0)->data(Qt::UserRole).toInt(), -1);
        DoubleClickRow(list, 0);
        QVERIFY(f.edits.empty());
        QCOMPARE(f.refreshes, 0);
    }

    void doubleClickOnACompetitorOpensTheEditDialog() {
        TempDir dir;
        WriteEvent(dir);
        Fixture f(dir);
        QVERIFY(ShowExposed(f.window));
        QListWidget* list = f.window.lstWindow(1);
        const int row = f.RowOfCard(list, "12345");
        QVERIFY(row > 0);
        DoubleClickRow(list, row);
        QCOMPARE(f.edits, std::vector<int>{12345});
        QCOMPARE(f.owners.front(), static_cast<QWidget*>(&f.window));
        QCOMPARE(f.refreshes, 1);
        // The list was rebuilt and the same position is selected again.
        QCOMPARE(list->currentRow(), row);
        QCOMPARE(list->selectedItems().size(), 1);
    }

    // Tab reaches the competitor list, the arrows walk it, Enter opens the edit dialog as a
    // double click does; Enter on a heading or in the class table opens nothing.
    void theKeyboardAloneOpensTheEditDialog() {
        TempDir dir;
        WriteEvent(dir);
        Fixture f(dir);
        QVERIFY(ShowExposed(f.window));
        QApplication::setActiveWindow(&f.window);
        QListWidget* list = f.window.lstWindow(1);
        QTRY_VERIFY(f.window.lstWindow(2)->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(f.window.lstWindow(0)->hasFocus());
        QTest::keyClick(f.window.lstWindow(0), Qt::Key_Down);
        QTest::keyClick(f.window.lstWindow(0), Qt::Key_Return);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(list->hasFocus());
        QTest::keyClick(list, Qt::Key_Home);
        QTest::keyClick(list, Qt::Key_Return); // the class heading
        QVERIFY(f.edits.empty());
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Enter);
        QCOMPARE(f.edits, std::vector<int>{12345});
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(f.edits, (std::vector<int>{12345, 12346}));
    }

    void doubleClickWithoutSelectionDoesNothing() {
        TempDir dir;
        WriteEvent(dir);
        Fixture f(dir);
        f.window.lstWindow(1)->clearSelection();
        f.window.lstWindow_DblClick(1);
        f.window.lstWindow_DblClick(2);
        QVERIFY(f.edits.empty());
        QCOMPARE(f.refreshes, 0);
    }

    void doubleClickOnTheClassTableDoesNothing() {
        TempDir dir;
        WriteEvent(dir);
        Fixture f(dir);
        f.window.lstWindow(0)->setCurrentRow(1);
        f.window.lstWindow_DblClick(0);
        QVERIFY(f.edits.empty());
        QCOMPARE(f.refreshes, 0);
    }

    void doubleClickInTheHistory() {
        TempDir dir;
        WriteEvent(dir);
        Fixture f(dir);
        QVERIFY(ShowExposed(f.window));
        QListWidget* history = f.window.lstWindow(2);
        // A line written while reading files names nobody.
        DoubleClickRow(history, 0);
        QVERIFY(f.edits.empty());
        // A correction's line names its competitor.
        const int n = *f.station.Tables().Cards.Find("22345");
        f.station.OperationHistory().ReportFor(" (変更)テスト", 22345, n);
        const int row = history->count() - 1;
        QCOMPARE(history->item(row)->data(Qt::UserRole).toInt(), n);
        DoubleClickRow(history, row);
        QCOMPARE(f.edits, std::vector<int>{22345});
        QCOMPARE(f.refreshes, 1);
    }

    void readButtonReadsTheFinishLogAgain() {
        TempDir dir;
        WriteEvent(dir);
        Fixture f(dir);
        {
            std::ofstream log(dir.File("Regnly.log"), std::ios::app | std::ios::binary);
            log << "1,2,3,4,5,(12346),31,0:11:00,32,0:21:00,33,0:31:00,100,0:36:00\r\n";
        }
        const int before = f.window.lstWindow(2)->count();
        QTest::mouseClick(f.window.Command1(), Qt::LeftButton);
        QCOMPARE(f.window.lstWindow(2)->count(), before + 1);
        QCOMPARE(f.window.lstWindow(2)->item(before)->text(), QStringLiteral("12:00 (読込)ゴールデータ"));
        QCOMPARE(f.refreshes, 1);
        const int row = f.RowOfCard(f.window.lstWindow(1), "12346");
        QVERIFY(f.window.lstWindow(1)->item(row)->text().contains(QStringLiteral("0:36'00")));
        QCOMPARE(f.window.cursor().shape(), Qt::ArrowCursor);
    }

    void spareCardPromptOpensOverTheBusyWindow() {
        TempDir dir;
        WriteEvent(dir);
        WriteCp932(dir.File("Startlst.dat"), {"12345,M21,10:00:00,101,山田太郎,1,東京OLC", "33333,**,,,,,"});
        WriteCp932(dir.File("Regnly.log"), {"1,2,3,4,5,(33333),31,0:10:00,32,0:20:00,33,0:30:00,100,0:35:00"});
        Station station(dir.Path(), FixedClock(kNoon));
        MainWindow window(station);
        std::vector<int> spares;
        Qt::CursorShape during = Qt::ArrowCursor;
        QWidget* owner = nullptr;
        window.spareOpener = [&](Station& s, int spareRow, QWidget* o) {
            spares.push_back(std::stoi(s.Tables().CardTexts[static_cast<std::size_t>(spareRow)]));
            owner = o;
            during = window.cursor().shape();
            return SpareAnswer::Cancelled;
        };
        window.Load();
        QCOMPARE(spares, std::vector<int>{33333});
        QCOMPARE(owner, static_cast<QWidget*>(&window));
        QCOMPARE(during, Qt::WaitCursor);
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    }

    void outputButtonsWriteTheFiles() {
        TempDir dir;
        WriteEvent(dir);
        Fixture f(dir);
        QTest::mouseClick(f.window.Command2(), Qt::LeftButton);
        QTest::mouseClick(f.window.Command5(), Qt::LeftButton);
        QVERIFY(f.messages.isEmpty());
        // Each file written is said in the history.
        QCOMPARE(Texts(f.window.lstWindow(2)).mid(4),
                 QStringList({"12:00 (出力)E_Result.txt", "12:00 (出力)E_Result.xml", "12:00 (出力)E_Result.html",
                              "12:00 (出力)E_Start.xml", "12:00 (出力)E_NoRet.txt"}));
        QVERIFY(!ReadCp932Lines(dir.File("E_Result.txt")).empty());
        QCOMPARE(ReadCp932Lines(dir.File("E_NoRet.txt")).front(), std::string("◆◆ 未帰還者リスト（Ｅカード）"));
        QCOMPARE(f.refreshes, 2);
    }

    void unwritableOutputShowsTheMessageAndKeepsRunning() {
        TempDir dir;
        WriteEvent(dir);
        const std::string results = dir.Path() + "/missing/E_Result.txt";
        const std::string noRet = dir.Path() + "/missing/E_NoRet.txt";
        WriteCp932(dir.File("Quilo.ini"), {"SeisekiOutput=" + results, "MikikanOutput=" + noRet});
        Fixture f(dir);
        QVERIFY(ShowExposed(f.window));

        QTest::mouseClick(f.window.Command2(), Qt::LeftButton);
        QCOMPARE(f.messages.size(), 1);
        QCOMPARE(f.titles.front(), QStringLiteral("Quilo"));
        const QString head = QStringLiteral("成績ファイルを書き込めませんでした。\n") + QString::fromStdString(results) + "\n";
        QVERIFY2(f.messages.front().startsWith(head), qPrintable(f.messages.front()));
        QVERIFY(f.messages.front().size() > head.size()); // a reason follows

        QTest::mouseClick(f.window.Command5(), Qt::LeftButton);
        QCOMPARE(f.messages.size(), 2);
        QVERIFY(f.messages.back().startsWith(QStringLiteral("未帰還者ファイルを書き込めませんでした。\n") +
                                             QString::fromStdString(noRet) + "\n"));
        // Only what was written is said: the three exports beside the results file.
        QStringList outputs = Texts(f.window.lstWindow(2)).filter(QStringLiteral("(出力)"));
        QCOMPARE(outputs, QStringList({"12:00 (出力)E_Result.xml", "12:00 (出力)E_Result.html", "12:00 (出力)E_Start.xml"}));

        // Still running, data intact: the window works on.
        QVERIFY(f.window.isVisible());
        QCOMPARE(f.window.cursor().shape(), Qt::ArrowCursor);
        const QStringList before = Texts(f.window.lstWindow(1));
        QTest::mouseClick(f.window.Command4(), Qt::LeftButton);
        QCOMPARE(Texts(f.window.lstWindow(1)), LineTexts(f.station.Lists().competitors));
        QVERIFY(before != Texts(f.window.lstWindow(1)));
    }

    void closingSavesTheSettings() {
        TempDir dir;
        // An empty value is replaced by its default, which makes the settings dirty.
        WriteCp932(dir.File("Quilo.ini"), {"TimeLimit="});
        Fixture f(dir);
        QVERIFY(ShowExposed(f.window));
        QCOMPARE(ReadCp932Lines(dir.File("Quilo.ini")).front(), std::string("TimeLimit="));
        f.window.close();
        QCOMPARE(ReadCp932Lines(dir.File("Quilo.ini")).front(), std::string("TimeLimit=150"));
        QVERIFY(!f.window.ClockTimer()->isActive());
        QVERIFY(f.messages.isEmpty());
    }
};

QTEST_MAIN(MainWindowCommandsTest)
#include "MainWindowCommands_qtest.moc"
