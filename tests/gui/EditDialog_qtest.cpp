#include "DialogTestEvent.h"
#include "DialogWidgetTest.h"
#include "gui/DialogSupport.h"
#include "gui/EditDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace quilo;
using quilo::test::DialogTestEvent;
using quilo::test::Find;
using quilo::test::ShowExposed;
using quilo::test::Shown;

namespace {

QStringList Lines(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

} // namespace

class EditDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DialogTestEvent> ev;
    std::vector<Shown> shown;

private slots:
    void init() {
        ev = std::make_unique<DialogTestEvent>();
        ev->Add(0, 345, 12, "山田 太郎");
        shown.clear();
        DialogMessageHook() = [this](QWidget*, const QString& text, MessageIcon icon) { shown.push_back({text, icon}); };
    }
    void cleanup() {
        DialogMessageHook() = nullptr;
        ev.reset();
    }

    void controlsStandAtTheirDesignPlaces() {
        EditDialog d(ev->station, ev->Row(345));
        QVERIFY(d.Found());
        struct Place {
            const char* name;
            int l, t, w, h;
        };
        const Place places[] = {
            {"Check1", 240, 120, 1215, 495},     {"Check2", 240, 600, 1215, 495},     {"Check3", 240, 1080, 2175, 495},
            {"Text1", 960, 1500, 615, 315},      {"Label1", 1680, 1560, 615, 195},    {"List1", 3600, 180, 1815, 2940},
            {"Check4", 240, 1920, 1335, 495},    {"Option1", 960, 2340, 1215, 435},   {"Text2", 1920, 2400, 1215, 315},
            {"Label2", 2160, 2160, 855, 255},    {"Option2", 960, 2760, 1215, 435},   {"Text3", 1920, 2820, 975, 315},
            {"Command2", 4080, 3300, 1215, 435}, {"Command1", 2640, 3300, 1215, 435},
        };
        for (const Place& p : places)
            QCOMPARE(Find<QWidget>(d, p.name)->geometry(), QRect(p.l / 15, p.t / 15, p.w / 15, p.h / 15));
        QCOMPARE(d.size(), QSize(373, 260));
        QCOMPARE(d.minimumSize(), d.maximumSize());
        QVERIFY(!(d.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        const Qt::WindowFlags fixed = Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        QCOMPARE(d.windowFlags() & fixed, fixed);
    }

    void captionsAndFonts() {
        EditDialog d(ev->station, ev->Row(345));
        QCOMPARE(d.windowTitle(), QStringLiteral("山田 太郎"));
        QCOMPARE(Find<QCheckBox>(d, "Check1")->text(), QStringLiteral("欠席"));
        QCOMPARE(Find<QCheckBox>(d, "Check2")->text(), QStringLiteral("参考記録"));
        QCOMPARE(Find<QCheckBox>(d, "Check3")->text(), QStringLiteral("遅刻による時間の加算"));
        QCOMPARE(Find<QCheckBox>(d, "Check4")->text(), QStringLiteral("記録変更"));
        QCOMPARE(Find<QLabel>(d, "Label1")->text(), QStringLiteral("分"));
        QCOMPARE(Find<QLabel>(d, "Label2")->text(), QStringLiteral("hh:mm:ss"));
        QCOMPARE(Find<QRadioButton>(d, "Option1")->text(), QStringLiteral("OK"));
        QCOMPARE(Find<QRadioButton>(d, "Option2")->text(), QStringLiteral("DISQ"));
        QCOMPARE(Find<QPushButton>(d, "Command1")->text(), QStringLiteral("変更"));
        QCOMPARE(Find<QPushButton>(d, "Command2")->text(), QStringLiteral("閉じる"));
        QVERIFY(Find<QPushButton>(d, "Command1")->isDefault());

        QFont list = Find<QListWidget>(d, "List1")->font();
        QCOMPARE(list.family(), QStringLiteral("ＭＳ ゴシック"));
        QCOMPARE(list.pointSizeF(), 9.0);
        QCOMPARE(Find<QLabel>(d, "Label2")->font().family(), QStringLiteral("ＭＳ ゴシック"));
        for (const char* name : {"Text1", "Text2", "Text3", "Label1"}) {
            QFont f = Find<QWidget>(d, name)->font();
            QCOMPARE(f.family(), QStringLiteral("ＭＳ Ｐゴシック"));
            QCOMPARE(f.pointSizeF(), 9.75);
        }
    }

    void tabOrderFollowsTheControlsTable() {
        EditDialog d(ev->station, ev->Row(345));
        const QStringList expected = {"Check1",  "Check2", "Check3",  "Text1", "List1",    "Check4",
                                      "Option1", "Text2",  "Option2", "Text3", "Command2", "Command1"};
        QStringList seen;
        QWidget* w = Find<QWidget>(d, "Check1");
        for (int i = 0; i < 100 && seen.size() < expected.size(); ++i, w = w->nextInFocusChain())
            if (expected.contains(w->objectName()) && !seen.contains(w->objectName())) seen << w->objectName();
        QCOMPARE(seen, expected);
        QCOMPARE(Find<QLabel>(d, "Label1")->focusPolicy(), Qt::NoFocus);
    }

    void showsTheLoadedState() {
        EntryRecord& r = ev->Rec(0);
        r.RunningTime = Time::Hms(0, 41, 10);
        r.Status = "OK";
        r.LateAddition = Time::Minutes(90);
        r.Reference = true;
        ev->station.Tables().PunchTimes[0][2] = Time::Hms(0, 12, 7);
        EditDialog d(ev->station, ev->Row(345));
        QCOMPARE(Lines(Find<QListWidget>(d, "List1")),
                 (QStringList{"Time = 0:41'10\"", "Info = OK<確定>", "", "  01 = -:--'--\"", "  02 = 0:12'07\"",
                              "  03 = -:--'--\"", "GOAL = 0:00'00\""}));
        QVERIFY(Find<QCheckBox>(d, "Check3")->isChecked());
        QVERIFY(Find<QCheckBox>(d, "Check2")->isChecked());
        QCOMPARE(Find<QLineEdit>(d, "Text1")->text(), QStringLiteral("90"));
        QVERIFY(Find<QLineEdit>(d, "Text1")->isEnabled());
        QVERIFY(!Find<QCheckBox>(d, "Check4")->isEnabled());
        QVERIFY(!Find<QPushButton>(d, "Command1")->isEnabled());
    }

    void clicksFollowTheStatesTable() {
        EditDialog d(ev->station, ev->Row(345));
        QVERIFY(ShowExposed(d));
        auto* check1 = Find<QCheckBox>(d, "Check1");
        auto* check4 = Find<QCheckBox>(d, "Check4");
        auto* option1 = Find<QRadioButton>(d, "Option1");
        auto* option2 = Find<QRadioButton>(d, "Option2");
        auto* text2 = Find<QLineEdit>(d, "Text2");
        auto* text3 = Find<QLineEdit>(d, "Text3");
        auto* command1 = Find<QPushButton>(d, "Command1");
        QVERIFY(!option1->isEnabled() && !text2->isEnabled());

        QTest::mouseClick(check4, Qt::LeftButton);
        QVERIFY(check4->isChecked());
        QVERIFY(command1->isEnabled());
        QVERIFY(option1->isEnabled() && option2->isEnabled());
        QVERIFY(!text2->isEnabled() && !text3->isEnabled());

        QTest::mouseClick(option1, Qt::LeftButton);
        QVERIFY(d.Logic().Controls().Valid.selected);
        QVERIFY(text2->isEnabled() && !text3->isEnabled());
        QTest::mouseClick(option2, Qt::LeftButton);
        QVERIFY(d.Logic().Controls().Disqualified.selected && !d.Logic().Controls().Valid.selected);
        QVERIFY(!option1->isChecked());
        QVERIFY(!text2->isEnabled() && text3->isEnabled());

        QTest::mouseClick(check1, Qt::LeftButton);
        for (const char* name : {"Check2", "Check3", "Check4", "Text1", "Option1", "Option2", "Text2", "Text3"})
            QVERIFY2(!Find<QWidget>(d, name)->isEnabled(), name);
        QVERIFY(check1->isEnabled());
        QVERIFY(check4->isChecked()); // disabled, still ticked
        QTest::mouseClick(check1, Qt::LeftButton);
        QVERIFY(check4->isEnabled() && text3->isEnabled());
    }

    void applyWritesAndCloses() {
        ev->Rec(0).RunningTime = Time::Hms(1, 0, 0);
        EditDialog d(ev->station, ev->Row(345));
        QVERIFY(ShowExposed(d));
        QTest::mouseClick(Find<QCheckBox>(d, "Check4"), Qt::LeftButton);
        QTest::mouseClick(Find<QRadioButton>(d, "Option2"), Qt::LeftButton);
        QTest::keyClicks(Find<QLineEdit>(d, "Text3"), "p3");
        QTest::mouseClick(Find<QPushButton>(d, "Command1"), Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(!d.isVisible());
        QVERIFY(shown.empty());
        QCOMPARE(Find<QLineEdit>(d, "Text3")->text(), QStringLiteral("P3"));
        QCOMPARE(ev->Records(), std::vector<std::string>{"ＮＧ/345,P3"});
        QCOMPARE(ev->HistoryTexts(), std::vector<std::string>{"10:15 (変更)P3 (0012) 山田 太郎"});
    }

    void refusalShowsTheMessageWithoutIconAndStaysOpen() {
        EditDialog d(ev->station, ev->Row(345));
        QVERIFY(ShowExposed(d));
        QTest::mouseClick(Find<QCheckBox>(d, "Check4"), Qt::LeftButton);
        QTest::mouseClick(Find<QRadioButton>(d, "Option1"), Qt::LeftButton);
        QTest::keyClicks(Find<QLineEdit>(d, "Text2"), "abc");
        QTest::mouseClick(Find<QPushButton>(d, "Command1"), Qt::LeftButton);
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(shown[0].text, QStringLiteral("時間の形式が正しくありません。"));
        QCOMPARE(shown[0].icon, MessageIcon::None);
        QVERIFY(d.isVisible());
        QVERIFY(Find<QPushButton>(d, "Command1")->isEnabled());
        QVERIFY(ev->Records().empty());

        QTest::mouseClick(Find<QRadioButton>(d, "Option2"), Qt::LeftButton);
        QTest::mouseClick(Find<QPushButton>(d, "Command1"), Qt::LeftButton);
        QCOMPARE(shown.back().text, QStringLiteral("空白を埋めて下さい(例：「DNF」「P3」）"));

        QTest::mouseClick(Find<QRadioButton>(d, "Option1"), Qt::LeftButton); // back to the time
        QTest::mouseClick(Find<QCheckBox>(d, "Check4"), Qt::LeftButton);
        QTest::mouseClick(Find<QCheckBox>(d, "Check3"), Qt::LeftButton);
        QTest::keyClicks(Find<QLineEdit>(d, "Text1"), "99999");
        QTest::mouseClick(Find<QPushButton>(d, "Command1"), Qt::LeftButton);
        QCOMPARE(shown.back().text, QStringLiteral("遅刻の分数が大きすぎます"));
        QCOMPARE(shown.size(), std::size_t(3));
        QVERIFY(d.isVisible());
        QVERIFY(ev->Records().empty());
        QVERIFY(ev->HistoryTexts().empty());
    }

    void saveFailureIsToldInACriticalBox() {
        ev->BreakChangeFile();
        EditDialog d(ev->station, ev->Row(345));
        QVERIFY(ShowExposed(d));
        QTest::mouseClick(Find<QCheckBox>(d, "Check1"), Qt::LeftButton);
        QTest::mouseClick(Find<QPushButton>(d, "Command1"), Qt::LeftButton);
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(shown[0].icon, MessageIcon::Critical);
        const QString path = QString::fromStdString(ev->dir.File("Change.dat"));
        QVERIFY(shown[0].text.startsWith(QStringLiteral("変更データを保存できませんでした。\n") + path + "\n"));
        QVERIFY(shown[0].text.endsWith(QStringLiteral("\n次回起動時にこの変更は反映されません。")));
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(ev->Rec(0).Status, std::string("DNS"));
    }

    void keysAndCloseButton() {
        {
            EditDialog d(ev->station, ev->Row(345));
            QVERIFY(ShowExposed(d));
            QTest::keyClick(&d, Qt::Key_Return); // "変更" still disabled
            QVERIFY(d.isVisible());
            QTest::mouseClick(Find<QCheckBox>(d, "Check1"), Qt::LeftButton);
            QTest::keyClick(&d, Qt::Key_Escape);
            QCOMPARE(d.result(), int(QDialog::Rejected));
            QVERIFY(!d.isVisible());
        }
        {
            EditDialog d(ev->station, ev->Row(345));
            QVERIFY(ShowExposed(d));
            QTest::mouseClick(Find<QCheckBox>(d, "Check1"), Qt::LeftButton);
            QTest::mouseClick(Find<QPushButton>(d, "Command2"), Qt::LeftButton);
            QCOMPARE(d.result(), int(QDialog::Rejected));
        }
        QVERIFY(ev->Records().empty());
        QCOMPARE(ev->Rec(0).Status, std::string());
        {
            EditDialog d(ev->station, ev->Row(345));
            QVERIFY(ShowExposed(d));
            QTest::mouseClick(Find<QCheckBox>(d, "Check1"), Qt::LeftButton);
            // Enter on the focused box reaches the default button.
            QTest::keyClick(Find<QCheckBox>(d, "Check1"), Qt::Key_Return);
            QCOMPARE(d.result(), int(QDialog::Accepted));
        }
        QCOMPARE(ev->Records(), std::vector<std::string>{"欠席/345"});
    }

    void openEditDialogRunsModallyOrSaysNotFound() {
        OpenEditDialog(ev->station, ev->Row(999), nullptr);
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(shown[0].text, QStringLiteral("このＥカードの競技者が見つかりません"));
        QCOMPARE(shown[0].icon, MessageIcon::None);

        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<EditDialog*>(QApplication::activeModalWidget());
            QVERIFY(d);
            seen = true;
            Find<QCheckBox>(*d, "Check2")->click();
            Find<QPushButton>(*d, "Command1")->click();
        });
        OpenEditDialog(ev->station, ev->Row(345), nullptr);
        QVERIFY(seen);
        QCOMPARE(ev->Records(), std::vector<std::string>{"参考/345"});
    }
};

QTEST_MAIN(EditDialogTest)
#include "EditDialog_qtest.moc"
