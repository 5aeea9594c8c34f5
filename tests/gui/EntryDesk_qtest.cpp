// The entry desk from the window: the competitor list's context menu and shortcuts, the
// entry dialog's form, its refusals and the question for a competitor with a result, and
// the lists shown again with the operator's selection and order once the desk wrote.
#include "DialogWidgetTest.h"
#include "WindowFixture.h"
#include "WindowTestEvent.h"
#include "gui/EntryDialog.h"
#include "gui/Fonts.h"
#include "gui/LiveStation.h"
#include "station/EntryDesk.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <optional>

using namespace quilo;
using namespace quilo::test;

namespace {

const Time kNoon = Time::Hms(12, 0, 0);
const QString kNew = QStringLiteral("当日申込…");
const QString kEdit = QStringLiteral("出走者情報の修正…");
const QString kSpare = QStringLiteral("予備Ｅカードの再割当…");

// The window event, and the spare card 99001 that 鈴木一郎 (card 12346) runs on.
EventFiles DeskEvent() {
    EventFiles files = WindowEventFiles();
    files.startList.push_back("99001,**,0:00:00,0,予備,0,予備カード");
    files.changes.push_back("予備/99001,12346");
    return files;
}

int RowContaining(const QListWidget* list, const QString& text) {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().contains(text)) return i;
    return -1;
}

// A window over the desk event; its entry desk records what it was opened for.
struct DeskWindow : WindowFixture {
    explicit DeskWindow(const TempDir& dir) : WindowFixture(dir, kNoon) {
        WriteEventFiles(dir, DeskEvent());
        window.entryOpener = [this](Station&, int competitor, QWidget* owner) {
            entries.push_back(competitor);
            owners.push_back(owner);
            return std::optional<EntryForm>();
        };
        window.Load();
    }
    // Shown, active, the competitor list focused: shortcuts reach the window.
    bool ShowActive() {
        if (!ShowExposed(window)) return false;
        QApplication::setActiveWindow(&window);
        List()->setFocus();
        return QTest::qWaitFor([this] { return List()->hasFocus(); });
    }
    QListWidget* List() const { return window.lstWindow(1); }
    int Row(const char* name) const { return RowContaining(List(), QString::fromUtf8(name)); }
    int Competitor(const char* name) const { return List()->item(Row(name))->data(Qt::UserRole).toInt(); }
    // Selects the line of the name; "" the first line (a class heading), null none.
    void Select(const char* name) {
        if (!name) return List()->clearSelection();
        List()->setCurrentRow(*name ? Row(name) : 0, QItemSelectionModel::ClearAndSelect);
    }
    std::vector<int> entries;
};

struct MenuLine {
    QString text;
    bool enabled;
    bool operator==(const MenuLine&) const = default;
};

std::vector<MenuLine> Lines(const QMenu& menu) {
    std::vector<MenuLine> out;
    for (QAction* a : menu.actions())
        if (!a->isSeparator()) out.push_back({a->text(), a->isEnabled()});
    return out;
}

QAction* ActionNamed(const QMenu& menu, const QString& text) {
    for (QAction* a : menu.actions())
        if (a->text() == text) return a;
    return nullptr;
}

std::string StartList(const TempDir& dir) { return ReadBytes(dir.File("Startlst.dat")); }

} // namespace

class EntryDeskTest : public QObject {
    Q_OBJECT

    std::vector<Shown> shown;
    QStringList asked;
    bool answer = false;

private slots:
    void initTestCase() { InstallFontSubstitutions(); }
    void init() {
        shown.clear();
        asked.clear();
        DialogMessageHook() = [this](QWidget*, const QString& text, MessageIcon icon) { shown.push_back({text, icon}); };
        DialogQuestionHook() = [this](QWidget*, const QString& text) {
            asked << text;
            return answer;
        };
    }
    void cleanup() {
        DialogMessageHook() = nullptr;
        DialogQuestionHook() = nullptr;
    }

    // New entry always; the fix only on a competitor's line; the spare card's question
    // again only for the competitor who runs on one.
    void theMenuOffersWhatTheLineAllows() {
        struct Case {
            const char* select;
            std::vector<MenuLine> lines;
        } cases[] = {
            {"山田太郎", {{kNew, true}, {kEdit, true}}}, {"鈴木一郎", {{kNew, true}, {kEdit, true}, {kSpare, true}}},
            {"佐藤花子", {{kNew, true}, {kEdit, true}}}, {"", {{kNew, true}, {kEdit, false}}},
            {nullptr, {{kNew, true}, {kEdit, false}}},
        };
        TempDir dir;
        DeskWindow f(dir);
        for (const Case& c : cases) {
            f.Select(c.select);
            QMenu menu;
            f.window.FillCompetitorMenu(menu);
            QVERIFY2(Lines(menu) == c.lines, c.select ? c.select : "(none)");
            QCOMPARE(f.window.NewEntryAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
            QCOMPARE(f.window.EditEntryAction()->shortcut(), QKeySequence(Qt::Key_F2));
        }
        QVERIFY(f.entries.empty());
    }

    // A right click and the menu key pop the menu up over the line; its items open the
    // desk for that line, and the window's buttons stay where they were.
    void theMenuPopsUpByMouseAndKey() {
        struct Case {
            bool key;
            const char* name;
            QString pick;
            bool spareListed;
            int expect; // -2: the competitor of the line
        } cases[] = {
            {false, "鈴木一郎", kEdit, true, -2},
            {false, "山田太郎", kNew, false, -1},
            {true, "佐藤花子", kEdit, false, -2},
            {true, "鈴木一郎", kNew, true, -1},
        };
        TempDir dir;
        DeskWindow f(dir);
        QVERIFY(ShowExposed(f.window));
        const QRect buttons[] = {f.window.Command1()->geometry(), f.window.Command3()->geometry()};
        QListWidget* list = f.List();
        for (const Case& c : cases) {
            f.entries.clear();
            const int row = f.Row(c.name);
            const QPoint at = list->visualItemRect(list->item(row)).center();
            bool seen = false;
            bool spareListed = false;
            WhenOpen<QMenu>(
                [&](QMenu& menu) {
                    // Checked once the menu is closed: a failure must not leave it open.
                    spareListed = ActionNamed(menu, kSpare) != nullptr;
                    QAction* pick = ActionNamed(menu, c.pick);
                    if (!pick) {
                        menu.close();
                        return;
                    }
                    menu.setActiveAction(pick);
                    QTest::keyClick(&menu, Qt::Key_Return);
                },
                &seen);
            if (c.key) {
                list->setCurrentRow(row);
                QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, at, list->viewport()->mapToGlobal(at));
                QApplication::sendEvent(list, &menuKey);
            } else {
                // QTest presses make no context menu: the event the platform sends follows.
                QTest::mousePress(list->viewport(), Qt::RightButton, {}, at);
                QContextMenuEvent click(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
                QApplication::sendEvent(list->viewport(), &click);
            }
            QVERIFY2(seen, c.name);
            QCOMPARE(spareListed, c.spareListed);
            QCOMPARE(f.entries, std::vector<int>{c.expect == -2 ? f.Competitor(c.name) : -1});
            QVERIFY(f.window.Live().StationIsFree());
        }
        QCOMPARE(f.window.Command1()->geometry(), buttons[0]);
        QCOMPARE(f.window.Command3()->geometry(), buttons[1]);
    }

    void shortcutsOpenTheRightForm() {
        struct Case {
            QKeyCombination key;
            const char* select;
            int expect; // -2: the selected competitor; -3: not opened
        } cases[] = {
            {Qt::CTRL | Qt::Key_N, "山田太郎", -1},        {Qt::CTRL | Qt::Key_N, nullptr, -1},
            {QKeyCombination(Qt::Key_F2), "山田太郎", -2}, {QKeyCombination(Qt::Key_F2), "鈴木一郎", -2},
            {QKeyCombination(Qt::Key_F2), "", -3},         {QKeyCombination(Qt::Key_F2), nullptr, -3},
        };
        TempDir dir;
        DeskWindow f(dir);
        QVERIFY(f.ShowActive());
        for (const Case& c : cases) {
            f.entries.clear();
            f.Select(c.select);
            QTest::keyClick(f.List(), c.key.key(), c.key.keyboardModifiers());
            std::vector<int> expected;
            if (c.expect == -1) expected = {-1};
            if (c.expect == -2) expected = {f.Competitor(c.select)};
            QVERIFY2(f.entries == expected, c.select ? c.select : "(none)");
        }
        QCOMPARE(f.owners.back(), static_cast<QWidget*>(&f.window));
    }

    // The spare card's question again: only an assignment loads the event again (here
    // the start list was changed on disk meanwhile); the selection stays.
    void theSpareQuestionAgainLoadsOnlyWhenAssigned() {
        for (SpareAnswer a : {SpareAnswer::Cancelled, SpareAnswer::Assigned}) {
            TempDir dir;
            DeskWindow f(dir);
            f.window.spareOpener = [&](Station& s, int spareRow, QWidget*) {
                f.spares.push_back(std::stoi(s.Tables().CardTexts[static_cast<std::size_t>(spareRow)]));
                return a;
            };
            EventFiles renamed = DeskEvent();
            renamed.startList[0] = "12345,M21,10:00:00,101,山田太朗,1,東京OLC";
            WriteEventFiles(dir, renamed);
            f.Select("鈴木一郎");
            const int suzuki = f.Competitor("鈴木一郎");
            QMenu menu;
            f.window.FillCompetitorMenu(menu);
            QAction* spare = ActionNamed(menu, kSpare);
            QVERIFY(spare);
            spare->trigger();
            QCOMPARE(f.spares, std::vector<int>{99001});
            QCOMPARE(f.Row("山田太朗") >= 0, a == SpareAnswer::Assigned);
            QCOMPARE(f.Row("山田太郎") >= 0, a == SpareAnswer::Cancelled);
            QCOMPARE(f.List()->selectedItems().size(), 1);
            QCOMPARE(f.List()->selectedItems().first()->data(Qt::UserRole).toInt(), suzuki);
        }
    }

    // Fixed size, a close button only, the labels and the form as the desk opens it.
    void theDialogShowsTheDesksForm() {
        TempDir dir;
        DeskWindow f(dir);
        for (int competitor : {-1, f.Competitor("山田太郎"), f.Competitor("佐藤花子")}) {
            EntryDialog d(f.station, competitor);
            const EntryDesk desk(f.station, competitor);
            QCOMPARE(d.windowTitle(), QString::fromUtf8(competitor < 0 ? "当日申込" : "出走者情報の修正"));
            QCOMPARE(d.minimumSize(), d.maximumSize());
            QCOMPARE(d.size(), QSize(282, 270));
            QVERIFY(!(d.windowFlags() &
                      (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowContextHelpButtonHint)));
            const Qt::WindowFlags fixed = Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
            QCOMPARE(d.windowFlags() & fixed, fixed);
            struct Field {
                const char* label;
                const char* labelName;
                const char* box;
                std::string EntryForm::*value;
            } fields[] = {
                {"氏名", "lblName", "txtName", &EntryForm::name},
                {"所属", "lblClub", "txtClub", &EntryForm::club},
                {"Ｅカード番号", "lblCard", "txtCard", &EntryForm::card},
                {"ゼッケン番号", "lblBib", "txtBib", &EntryForm::bib},
                {"スタート時刻", "lblStart", "txtStart", &EntryForm::start},
                {"番号", "lblNumber", "txtNumber", &EntryForm::number},
            };
            for (const Field& x : fields) {
                QCOMPARE(Find<QLabel>(d, x.labelName)->text(), QString::fromUtf8(x.label));
                QCOMPARE(Find<QLineEdit>(d, x.box)->text(), QString::fromStdString(desk.Form().*x.value));
                QCOMPARE(Find<QLineEdit>(d, x.box)->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
            }
            QCOMPARE(Find<QLabel>(d, "lblClass")->text(), QStringLiteral("クラス"));
            auto* cls = Find<QComboBox>(d, "cboClass");
            QStringList classes;
            for (int i = 0; i < cls->count(); ++i) classes << cls->itemText(i);
            QCOMPARE(classes, Texts(desk.Classes()));
            QCOMPARE(cls->currentText(), QString::fromStdString(desk.Form().className));
            QCOMPARE(Find<QPushButton>(d, "cmdOk")->text(), QStringLiteral("OK"));
            QCOMPARE(Find<QPushButton>(d, "cmdCancel")->text(), QStringLiteral("キャンセル"));
            QVERIFY(Find<QPushButton>(d, "cmdOk")->isDefault());
            QVERIFY(d.Form() == desk.Form());
        }
        QCOMPARE(EntryDialog(f.station, f.Competitor("山田太郎")).Form().name, std::string("山田太郎"));
    }

    // The keyboard alone: a new entry starts in the class box, a fix in the name; Tab
    // walks the fields in the order they stand, then OK and キャンセル.
    void focusAndTabOrder() {
        TempDir dir;
        DeskWindow f(dir);
        const QStringList expected = {"cboClass", "txtName",   "txtClub", "txtCard",  "txtBib",
                                      "txtStart", "txtNumber", "cmdOk",   "cmdCancel"};
        for (const auto& [competitor, first] : {std::pair{-1, "cboClass"}, std::pair{f.Competitor("山田太郎"), "txtName"}}) {
            EntryDialog d(f.station, competitor);
            QVERIFY(ShowExposed(d));
            QCOMPARE(d.focusWidget()->objectName(), QString::fromLatin1(first));
            QStringList seen;
            QWidget* w = Find<QWidget>(d, "cboClass");
            for (int i = 0; i < 50 && seen.size() < expected.size(); ++i, w = w->nextInFocusChain())
                if (expected.contains(w->objectName()) && !seen.contains(w->objectName())) seen << w->objectName();
            QCOMPARE(seen, expected);
            // Each label stands on its box's row, left of it.
            const char* const rows[][2] = {{"lblClass", "cboClass"}, {"lblName", "txtName"}, {"lblNumber", "txtNumber"}};
            for (const auto& row : rows) {
                const QRect label = Find<QWidget>(d, row[0])->geometry(), box = Find<QWidget>(d, row[1])->geometry();
                QVERIFY(label.right() < box.left());
                QVERIFY(label.top() >= box.top() && label.bottom() <= box.bottom());
            }
        }
    }

    // What the desk refuses is said in the plain box; the dialog stays open with what was
    // typed and nothing is written.
    void aRefusalKeepsTheDialogOpen() {
        struct Case {
            const char* box;
            const char* text;
        } cases[] = {
            {"txtName", "山田\"太郎"}, {"txtCard", "1234"},  {"txtCard", "22345"},
            {"txtCard", "99001"},      {"txtStart", "10時"}, {"txtBib", "A1"},
        };
        TempDir dir;
        DeskWindow f(dir);
        const std::string before = StartList(dir);
        for (const Case& c : cases) {
            shown.clear();
            EntryDialog d(f.station, f.Competitor("山田太郎"));
            QVERIFY(ShowExposed(d));
            Find<QLineEdit>(d, c.box)->setText(QString::fromUtf8(c.text));
            const std::optional<std::string> why = d.Desk().Check(EntryDesk::Trimmed(d.Form()));
            QVERIFY2(why, c.box);
            QTest::mouseClick(Find<QPushButton>(d, "cmdOk"), Qt::LeftButton);
            QCOMPARE(shown.size(), std::size_t(1));
            QCOMPARE(shown[0].text, QString::fromStdString(*why).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
            QCOMPARE(shown[0].icon, MessageIcon::None);
            QVERIFY(d.isVisible());
            QVERIFY(!d.Written());
            QCOMPARE(Find<QLineEdit>(d, c.box)->text(), QString::fromUtf8(c.text));
            QCOMPARE(StartList(dir), before);
        }
        QVERIFY(asked.isEmpty());
    }

    // A desk that cannot open says why and opens nothing.
    void aDeskThatCannotOpenSaysWhy() {
        TempDir dir;
        DeskWindow f(dir);
        const int nobody = f.station.Tables().Rows() + 5;
        const EntryDesk desk(f.station, nobody);
        QVERIFY(!desk.CanOpen());
        // A dialog wrongly opened is closed again by this test's own timer.
        bool opened = false;
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [&] {
            if (QWidget* d = QApplication::activeModalWidget()) {
                opened = true;
                d->close();
            }
        });
        guard.start(500);
        QVERIFY(!OpenEntryDialog(f.station, nobody, &f.window));
        QVERIFY(!opened);
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(shown[0].text, QString::fromStdString(desk.Why()));
    }

    // A later start time for 山田太郎, whose card was read: the desk asks first. "No" writes
    // nothing and keeps the dialog open; "yes" writes, and the window shows the new list
    // in the order it had, 山田太郎 still selected.
    void aCompetitorWithAResultIsAskedFirst() {
        for (bool yes : {false, true}) {
            TempDir dir;
            DeskWindow f(dir);
            f.window.entryOpener = [](Station& s, int n, QWidget* owner) { return OpenEntryDialog(s, n, owner); };
            QVERIFY(f.ShowActive());
            QTest::mouseClick(f.window.Command4(), Qt::LeftButton); // result order
            f.Select("山田太郎");
            const int yamada = f.Competitor("山田太郎");
            const std::string before = StartList(dir);
            bool seen = false, free = true, openAfterOk = false, written = false;
            int editing = -1;
            answer = yes;
            asked.clear();
            WhenOpen<EntryDialog>(
                [&](EntryDialog& d) {
                    // Looked at here, checked once the dialog is gone: a failure must not leave it open.
                    free = f.window.Live().StationIsFree();
                    editing = d.Desk().Competitor();
                    Find<QLineEdit>(d, "txtStart")->setText(QStringLiteral("10:07:00"));
                    QTest::mouseClick(Find<QPushButton>(d, "cmdOk"), Qt::LeftButton);
                    openAfterOk = d.isVisible();
                    written = StartList(dir) != before;
                    if (d.isVisible()) d.reject();
                },
                &seen);
            QTest::keyClick(f.List(), Qt::Key_F2);
            QVERIFY(seen);
            QVERIFY(!free);
            QCOMPARE(editing, yamada);
            QCOMPARE(asked.size(), qsizetype(1));
            QCOMPARE(openAfterOk, !yes);
            QCOMPARE(written, yes);
            QVERIFY(shown.empty());
            QVERIFY(f.station.SortByResult());
            QCOMPARE(Texts(f.List()), LineTexts(f.station.Lists().competitors));
            // In result order the lines show no start time: the loaded tables say it.
            QCOMPARE(f.station.Tables().EntryOf(yamada)->StartTime == Time::Hms(10, 7, 0), yes);
            QVERIFY(f.List()->item(f.Row("山田太郎"))->text().contains(QStringLiteral("0:35'00\"")));
            QCOMPARE(f.List()->selectedItems().size(), 1);
            QCOMPARE(f.List()->selectedItems().first()->data(Qt::UserRole).toInt(), yamada);
            QVERIFY(f.window.Live().StationIsFree());
        }
    }

    // A late entry typed in whole: written without a question, then shown and selected.
    void aNewEntryIsShownAndSelected() {
        TempDir dir;
        DeskWindow f(dir);
        f.window.entryOpener = [](Station& s, int n, QWidget* owner) { return OpenEntryDialog(s, n, owner); };
        QVERIFY(f.ShowActive());
        f.Select("山田太郎");
        bool seen = false, edit = true;
        WhenOpen<EntryDialog>(
            [&](EntryDialog& d) {
                edit = d.Desk().IsEdit();
                Find<QComboBox>(d, "cboClass")->setCurrentText(QStringLiteral("W21"));
                const std::pair<const char*, const char*> typed[] = {
                    {"txtName", "田中花子"}, {"txtClub", "名古屋OLC"}, {"txtCard", "22346"},
                    {"txtBib", "202"},       {"txtStart", "10:03:00"}, {"txtNumber", "2"},
                };
                for (const auto& [box, text] : typed) Find<QLineEdit>(d, box)->setText(QString::fromUtf8(text));
                QTest::keyClick(Find<QLineEdit>(d, "txtNumber"), Qt::Key_Return);
                if (d.isVisible()) d.reject();
            },
            &seen);
        QTest::keyClick(f.List(), Qt::Key_N, Qt::ControlModifier);
        QVERIFY(seen);
        QVERIFY(!edit);
        QVERIFY(shown.empty());
        QVERIFY(asked.isEmpty());
        QVERIFY(ReadCp932Lines(dir.File("Startlst.dat")).size() == DeskEvent().startList.size() + 1);
        const int row = f.Row("田中花子");
        QVERIFY(row >= 0);
        QCOMPARE(f.List()->currentRow(), row);
        QVERIFY(f.List()->item(row)->isSelected());
        QCOMPARE(f.station.Tables().Cards.Find("22346"), std::optional<int>(f.Competitor("田中花子")));
    }
};

QTEST_MAIN(EntryDeskTest)
#include "EntryDesk_qtest.moc"
