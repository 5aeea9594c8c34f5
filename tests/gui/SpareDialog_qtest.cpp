#include "DialogTestEvent.h"
#include "DialogWidgetTest.h"
#include "gui/DialogSupport.h"
#include "gui/SpareDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace quilo;
using quilo::test::DialogTestEvent;
using quilo::test::Find;
using quilo::test::ShowExposed;
using quilo::test::Shown;

class SpareDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<DialogTestEvent> ev;
    std::vector<Shown> shown;
    int tanaka = 0;
    int spare = 0;

private slots:
    void init() {
        ev = std::make_unique<DialogTestEvent>();
        tanaka = ev->Add(0, 345, 123, "田中 次郎");
        spare = ev->AddSpare(812);
        shown.clear();
        DialogMessageHook() = [this](QWidget*, const QString& text, MessageIcon icon) { shown.push_back({text, icon}); };
    }
    void cleanup() {
        DialogMessageHook() = nullptr;
        ev.reset();
    }

    void layoutCaptionsAndFonts() {
        SpareDialog d(ev->station, ev->Row(812));
        QCOMPARE(d.windowTitle(), QStringLiteral("予備Ｅカードが検出されました"));
        QCOMPARE(d.size(), QSize(194, 195));
        QCOMPARE(d.minimumSize(), d.maximumSize());
        QVERIFY(!(d.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        const Qt::WindowFlags fixed = Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
        QCOMPARE(d.windowFlags() & fixed, fixed);
        struct Place {
            const char* name;
            int l, t, w, h;
        };
        const Place places[] = {
            {"Label1", 240, 180, 2535, 195},     {"Text1", 1680, 480, 975, 375},   {"Check1", 240, 600, 1095, 255},
            {"Label2", 240, 1140, 2415, 195},    {"Label3", 240, 1500, 2415, 555}, {"Command1", 240, 2340, 1095, 435},
            {"Command2", 1560, 2340, 1095, 435},
        };
        for (const Place& p : places)
            QCOMPARE(Find<QWidget>(d, p.name)->geometry(), QRect(p.l / 15, p.t / 15, p.w / 15, p.h / 15));
        QCOMPARE(Find<QLabel>(d, "Label1")->text(), QStringLiteral("ゼッケン番号を入力して下さい"));
        QCOMPARE(Find<QCheckBox>(d, "Check1")->text(), QStringLiteral("参考成績"));
        QCOMPARE(Find<QPushButton>(d, "Command1")->text(), QStringLiteral("OK"));
        QCOMPARE(Find<QPushButton>(d, "Command2")->text(), QStringLiteral("Cancel"));
        QVERIFY(Find<QPushButton>(d, "Command1")->isDefault());
        QCOMPARE(Find<QLabel>(d, "Label2")->text(), QStringLiteral("予備Ｅカード番号 : 00812"));
        QCOMPARE(Find<QLabel>(d, "Label3")->text(), QString());
        QFont f = Find<QLineEdit>(d, "Text1")->font();
        QCOMPARE(f.family(), QStringLiteral("ＭＳ Ｐゴシック"));
        QCOMPARE(f.pointSizeF(), 14.25);
        QVERIFY(f.bold());
    }

    void tabOrderAndFirstFocus() {
        SpareDialog d(ev->station, ev->Row(812));
        QVERIFY(ShowExposed(d));
        QCOMPARE(d.focusWidget(), Find<QWidget>(d, "Text1"));
        const QStringList expected = {"Text1", "Command1", "Command2", "Check1"};
        QStringList seen;
        QWidget* w = Find<QWidget>(d, "Text1");
        for (int i = 0; i < 50 && seen.size() < expected.size(); ++i, w = w->nextInFocusChain())
            if (expected.contains(w->objectName()) && !seen.contains(w->objectName())) seen << w->objectName();
        QCOMPARE(seen, expected);
    }

    void typingSearchesOnFourCharacters() {
        ev->Rec(tanaka).Reference = true;
        SpareDialog d(ev->station, ev->Row(812));
        QVERIFY(ShowExposed(d));
        auto* text1 = Find<QLineEdit>(d, "Text1");
        auto* label3 = Find<QLabel>(d, "Label3");
        QTest::keyClicks(text1, "012");
        QCOMPARE(label3->text(), QString());
        QVERIFY(!Find<QCheckBox>(d, "Check1")->isChecked());
        QTest::keyClick(text1, Qt::Key_3);
        QCOMPARE(label3->text(), QStringLiteral("M21 <345> 09:05\n田中 次郎 7 OLC"));
        QCOMPARE(d.Logic().CompetitorLabel(), std::string("M21 <345> 09:05\r\n田中 次郎 7 OLC"));
        QVERIFY(Find<QCheckBox>(d, "Check1")->isChecked());
        QTest::keyClick(text1, Qt::Key_Backspace);
        QCOMPARE(label3->text(), QString());
        QCOMPARE(d.Logic().ChosenCardNumber(), 0);
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void okRefusedWithTheCriticalMessage() {
        SpareDialog d(ev->station, ev->Row(812));
        QVERIFY(ShowExposed(d));
        QTest::keyClicks(Find<QLineEdit>(d, "Text1"), "123");
        QTest::mouseClick(Find<QPushButton>(d, "Command1"), Qt::LeftButton);
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(shown[0].text, QStringLiteral("正しい番号を入力してください"));
        QCOMPARE(shown[0].icon, MessageIcon::Critical);
        QVERIFY(d.isVisible());
        QCOMPARE(ev->station.Tables().Cards.Find("812"), std::optional<int>(spare));
        QVERIFY(ev->Records().empty());
        QVERIFY(d.Logic().Answer() == SpareAnswer::Cancelled);
    }

    void okAssignsAndCloses() {
        SpareDialog d(ev->station, ev->Row(812));
        QVERIFY(ShowExposed(d));
        QTest::keyClicks(Find<QLineEdit>(d, "Text1"), "0123");
        QTest::mouseClick(Find<QCheckBox>(d, "Check1"), Qt::LeftButton);
        // Enter in the text box reaches the default button.
        QTest::keyClick(Find<QLineEdit>(d, "Text1"), Qt::Key_Return);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(shown.empty());
        QCOMPARE(ev->station.Tables().Cards.Find("812"), std::optional<int>(tanaka));
        QCOMPARE(ev->Rec(tanaka).EcardNumber, 812);
        QCOMPARE(ev->Records(), (std::vector<std::string>{"予備/812,345", "参考/345"}));
        QVERIFY(d.Logic().Answer() == SpareAnswer::Assigned);
    }

    void saveFailureIsToldInACriticalBox() {
        ev->BreakChangeFile();
        SpareDialog d(ev->station, ev->Row(812));
        QVERIFY(ShowExposed(d));
        QTest::keyClicks(Find<QLineEdit>(d, "Text1"), "0123");
        QTest::mouseClick(Find<QPushButton>(d, "Command1"), Qt::LeftButton);
        QCOMPARE(shown.size(), std::size_t(1));
        QCOMPARE(shown[0].icon, MessageIcon::Critical);
        QVERIFY(shown[0].text.startsWith(QStringLiteral("変更データを保存できませんでした。\n")));
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(d.Logic().Answer() == SpareAnswer::Assigned);
    }

    void cancelAndEscapeChangeNothing() {
        for (int way = 0; way < 2; ++way) {
            SpareDialog d(ev->station, ev->Row(812));
            QVERIFY(ShowExposed(d));
            QTest::keyClicks(Find<QLineEdit>(d, "Text1"), "0123");
            if (way == 0) QTest::mouseClick(Find<QPushButton>(d, "Command2"), Qt::LeftButton);
            else QTest::keyClick(&d, Qt::Key_Escape);
            QCOMPARE(d.result(), int(QDialog::Rejected));
            QVERIFY(d.Logic().Answer() == SpareAnswer::Cancelled);
        }
        QCOMPARE(ev->station.Tables().Cards.Find("812"), std::optional<int>(spare));
        QCOMPARE(ev->Rec(tanaka).EcardNumber, 345);
        QVERIFY(ev->Records().empty());
        QVERIFY(ev->HistoryTexts().empty());
    }

    void openSpareDialogRunsModally() {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<SpareDialog*>(QApplication::activeModalWidget());
            QVERIFY(d);
            seen = true;
            Find<QLineEdit>(*d, "Text1")->setText(QStringLiteral("0123"));
            Find<QPushButton>(*d, "Command1")->click();
        });
        QVERIFY(OpenSpareDialog(ev->station, ev->Row(812), nullptr) == SpareAnswer::Assigned);
        QVERIFY(seen);
        QCOMPARE(ev->Records(), std::vector<std::string>{"予備/812,345"});
    }
};

QTEST_MAIN(SpareDialogTest)
#include "SpareDialog_qtest.moc"
