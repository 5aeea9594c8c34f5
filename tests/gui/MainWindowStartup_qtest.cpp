// The window's start-up: history order, settings defaults, controls, fonts, clock.
#include "WindowFixture.h"
#include "WindowTestEvent.h"
#include "gui/Fonts.h"
#include "gui/MainWindow.h"
#include "station/Station.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace quilo;
using namespace quilo::test;

namespace {

const Time kNoon = Time::Hms(12, 0, 0);

struct Fixture : WindowFixture {
    explicit Fixture(const TempDir& dir) : WindowFixture(dir, kNoon) {}
};

QRect Px(int l, int t, int w, int h) { return QRect(l / 15, t / 15, w / 15, h / 15); }

} // namespace

class MainWindowStartupTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InstallFontSubstitutions(); }

    void historyShowsTheFilesInStartupOrder() {
        TempDir dir;
        WriteEvent(dir);
        Fixture f(dir);
        f.window.Load();
        QCOMPARE(Texts(f.window.lstWindow(2)), QStringList({"12:00 (読込)コントロールデータ", "12:00 (読込)スタートリスト",
                                                            "12:00 (読込)変更データ", "12:00 (読込)ゴールデータ"}));
        for (int i = 0; i < 4; ++i) QCOMPARE(f.window.lstWindow(2)->item(i)->data(Qt::UserRole).toInt(), -1);
        // The finish log reader ended with a refresh: both upper lists show the station's lines.
        QCOMPARE(Texts(f.window.lstWindow(0)), LineTexts(f.station.Lists().classStatus));
        QCOMPARE(Texts(f.window.lstWindow(1)), LineTexts(f.station.Lists().competitors));
        QCOMPARE(f.window.lstWindow(0)->count(), 3);
        const auto& lines = f.station.Lists().competitors;
        QVERIFY(!lines.empty());
        for (int i = 0; i < static_cast<int>(lines.size()); ++i)
            QCOMPARE(f.window.lstWindow(1)->item(i)->data(Qt::UserRole).toInt(), lines[i].competitor);
        QVERIFY(f.RowOfCard(f.window.lstWindow(1), "12345") >= 0);
        QVERIFY(f.spares.empty());
    }

    void emptyFolderWritesDefaultsAndShowsNothing() {
        TempDir dir;
        Fixture f(dir);
        f.window.Load();
        QCOMPARE(ReadCp932Lines(dir.File("Quilo.ini")),
                 (std::vector<std::string>{"SeisekiOutput=E_Result.txt", "MikikanOutput=E_NoRet.txt", "TimeLimit=150",
                                           "ClassListFontSize=9", "HistoryListFontSize=9", "EntryListFontSize=9"}));
        for (int i = 0; i < 3; ++i) QCOMPARE(f.window.lstWindow(i)->count(), 0);
        QCOMPARE(f.window.lblTime()->text(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(f.window.lblTime()->text(), QStringLiteral("12:00:00"), 1000);
        QVERIFY(f.messages.isEmpty());
    }

    void undefinedClassStopsAfterItsWarning() {
        TempDir dir;
        EventFiles files = WindowEventFiles();
        files.startList = {"12345,M21,10:00:00,101,山田太郎,1,東京OLC", "12346,M99,10:02:00,102,鈴木一郎,2,大阪OLC"};
        WriteEventFiles(dir, files);
        Fixture f(dir);
        f.window.Load();
        QCOMPARE(Texts(f.window.lstWindow(2)), QStringList({"12:00 (読込)コントロールデータ", "【警告】*******************",
                                                            "　クラス情報の相違があります", "　Control.dat/Startlst.dat"}));
        QCOMPARE(f.window.lstWindow(1)->count(), 0);
        // The data-load button still reads the finish log.
        f.window.Command1()->click();
        QCOMPARE(f.window.lstWindow(2)->item(4)->text(), QStringLiteral("12:00 (読込)ゴールデータ"));
        QVERIFY(f.window.lstWindow(1)->count() > 0);
    }

    void controlsHaveTheirNamesCaptionsAndPlaces() {
        TempDir dir;
        Fixture f(dir);
        MainWindow& w = f.window;
        QCOMPARE(w.windowTitle(), QStringLiteral("Quilo"));
        QCOMPARE(w.size(), QSize(677, 526)); // 10155 x 7890 twips
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(w.lstWindow(i)->objectName(), QStringLiteral("lstWindow"));
            QCOMPARE(w.lstWindow(i)->property("index").toInt(), i);
            QCOMPARE(w.lblTitle(i)->objectName(), QStringLiteral("lblTitle"));
            QCOMPARE(w.lblTitle(i)->property("index").toInt(), i);
            QVERIFY(!w.lstWindow(i)->isSortingEnabled());
        }
        QCOMPARE(w.findChildren<QListWidget*>(QStringLiteral("lstWindow")).size(), 3);
        QCOMPARE(w.lblTitle(0)->text(), QStringLiteral("クラスステータス"));
        QCOMPARE(w.lblTitle(1)->text(), QStringLiteral("競技者リスト"));
        QCOMPARE(w.lblTitle(2)->text(), QStringLiteral("操作履歴"));
        QCOMPARE(w.Command1()->text(), QStringLiteral("データ読み込み"));
        QCOMPARE(w.Command2()->text(), QStringLiteral("成績出力"));
        QCOMPARE(w.Command3()->text(), QStringLiteral("スタート順"));
        QCOMPARE(w.Command4()->text(), QStringLiteral("成績順"));
        QCOMPARE(w.Command5()->text(), QStringLiteral("未帰還者出力"));
        const char* names[] = {"Command1", "Command2", "Command3", "Command4", "Command5"};
        QPushButton* buttons[] = {w.Command1(), w.Command2(), w.Command3(), w.Command4(), w.Command5()};
        for (int i = 0; i < 5; ++i) QCOMPARE(buttons[i]->objectName(), QString::fromLatin1(names[i]));
        QCOMPARE(w.lblTime()->objectName(), QStringLiteral("lblTime"));
        QCOMPARE(w.ClockTimer()->objectName(), QStringLiteral("ClockTimer"));
        QCOMPARE(w.StatusTimer()->objectName(), QStringLiteral("StatusTimer"));
        QCOMPARE(w.ClockTimer()->interval(), 100);
        QCOMPARE(w.StatusTimer()->interval(), 30000);

        // Controls that do not follow the size sit where they were designed.
        QCOMPARE(w.lblTitle(0)->geometry(), Px(240, 180, 2055, 195));
        QCOMPARE(w.lstWindow(0)->geometry(), Px(360, 480, 4575, 2040));
        QCOMPARE(w.lblTitle(2)->geometry(), Px(5160, 180, 2055, 195));
        QCOMPARE(w.lblTitle(1)->geometry(), Px(240, 2880, 1215, 195));
        // At the design size the size-following rules give the design sizes of the lists.
        QCOMPARE(w.lstWindow(2)->geometry(), Px(5280, 480, 4575, 2040));
        QCOMPARE(w.lstWindow(1)->geometry(), Px(360, 3240, 9495, 3840));
        QCOMPARE(w.Command1()->geometry(), Px(4440 + 120, 7260, 1575, 495));
        QCOMPARE(w.lblTime()->geometry(), Px(720, 7320, 2175, 375));

        f.window.Load();
        QVERIFY(w.ClockTimer()->isActive());
        QVERIFY(w.StatusTimer()->isActive());
    }

    void fontsAreTheNamedOnes() {
        TempDir dir;
        Fixture f(dir);
        f.window.Load();
        for (int i = 0; i < 3; ++i) {
            QFont font = f.window.lstWindow(i)->font();
            QCOMPARE(font.family(), QStringLiteral("ＭＳ ゴシック"));
            QCOMPARE(font.pointSizeF(), 9.0);
            QVERIFY(font.fixedPitch());
            // A full-width character takes exactly two half-width columns.
            QFontMetrics fm(font);
            QCOMPARE(fm.horizontalAdvance(QStringLiteral("山田")), 2 * fm.horizontalAdvance(QStringLiteral("ab")));
            QCOMPARE(fm.horizontalAdvance(QStringLiteral("ab")), 2 * fm.horizontalAdvance(QStringLiteral(" ")));
        }
        QCOMPARE(f.window.lblTime()->font().family(), QStringLiteral("Times New Roman"));
        QCOMPARE(f.window.lblTime()->font().pointSizeF(), 18.0);
    }

    void fontSizesComeFromTheSettings() {
        TempDir dir;
        WriteCp932(dir.File("Quilo.ini"), {"ClassListFontSize=12", "HistoryListFontSize=abc", "EntryListFontSize=500"});
        Fixture f(dir);
        f.window.Load();
        QCOMPARE(f.window.lstWindow(0)->font().pointSizeF(), 12.0);
        QCOMPARE(f.window.lstWindow(2)->font().pointSizeF(), 9.0); // reads 0
        QCOMPARE(f.window.lstWindow(1)->font().pointSizeF(), 9.0); // not a usable size
    }

    void negativeFontSizeFallsBack() {
        QCOMPARE(UsablePointSize(-3), 9.0);
        QCOMPARE(UsablePointSize(0), 9.0);
        QCOMPARE(UsablePointSize(10.5), 10.5);
        QCOMPARE(UsablePointSize(200), 200.0);
        QCOMPARE(UsablePointSize(200.5), 9.0);
    }

    void historyHasTheFocusAndTheTabOrderFollows() {
        TempDir dir;
        Fixture f(dir);
        f.window.Load();
        QVERIFY(ShowExposed(f.window));
        QTRY_COMPARE(f.window.focusWidget(), static_cast<QWidget*>(f.window.lstWindow(2)));
        std::vector<QWidget*> expected = {f.window.lstWindow(0), f.window.lstWindow(1), f.window.Command1(),
                                          f.window.Command2(),   f.window.Command3(),   f.window.Command4(),
                                          f.window.Command5(),   f.window.lstWindow(2)};
        QWidget* w = f.window.lstWindow(2);
        for (QWidget* next : expected) {
            do w = w->nextInFocusChain();
            while (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(&f.window));
            QCOMPARE(w, next);
        }
    }
};

QTEST_MAIN(MainWindowStartupTest)
#include "MainWindowStartup_qtest.moc"
