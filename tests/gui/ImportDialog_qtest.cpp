// The folder step: a folder of IOF XML files and no event files is offered the import
// before the start-up, which then reads what it wrote.
#include "DialogWidgetTest.h"
#include "WindowFixture.h"
#include "core/Paths.h"
#include "gui/Fonts.h"
#include "gui/ImportDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

using namespace quilo;
using namespace quilo::test;

namespace {

const std::string kData = std::string(QUILO_TEST_DATA) + "/iof/";

// A file of tests/data/iof copied into the folder, each pair of the edits replaced.
struct Copy {
    std::string from, to;
    std::vector<std::pair<std::string, std::string>> edits = {};
};

void CopyInto(const TempDir& dir, const Copy& c) {
    std::string bytes = ReadBytes(kData + c.from);
    for (const auto& [was, is] : c.edits)
        for (std::size_t at = bytes.find(was); at != std::string::npos; at = bytes.find(was, at + is.size()))
            bytes.replace(at, was.size(), is);
    std::ofstream(dir.File(c.to), std::ios::binary) << bytes;
}

// The official course data names its classes "Men Open" and "Women Open"; the start list
// example runs "Men Elite" and "Open".
const Copy kCourses{"CourseData_Individual_Step2.xml",
                    "CourseData_Individual_Step2.xml",
                    {{"Men Open", "Men Elite"}, {"Women Open", "Open"}}};
const Copy kCoursesAsIssued{"CourseData_Individual_Step2.xml", "CourseData_Individual_Step2.xml"};
const Copy kStarts{"StartList1_five_digit.xml", "StartList1_five_digit.xml"};
const Copy kEntries{"EntryList1_five_digit.xml", "EntryList1_five_digit.xml"};
const QString kCoursesLine = QStringLiteral("CourseData_Individual_Step2.xml\n　コースデータ（クラス 2、コース 2）");
const QString kStartsLine = QStringLiteral("StartList1_five_digit.xml\n　スタートリスト（クラス 2、競技者 3）");

struct Case {
    const char* name;
    std::vector<Copy> files;
    QString finishCode, firstStart = QStringLiteral("10:00:00");
    QStringList listed;       // the dialog's file lines
    bool entryFields = false; // first start and interval shown
    bool created = false;
    QStringList refusals = {}; // each a part of one line of the refusal list, in order
    QStringList classes = {};  // the window's class status after the start-up
};

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"official pair creates the event",
         {kCourses, kStarts},
         QStringLiteral("100"),
         {},
         {kCoursesLine, kStartsLine},
         false,
         true,
         {},
         {QStringLiteral("Men Elite"), QStringLiteral("Open")}},
        {"several finish codes are one field",
         {kCourses, kStarts},
         QStringLiteral("100, 101"),
         {},
         {kCoursesLine, kStartsLine},
         false,
         true,
         {},
         {QStringLiteral("Men Elite"), QStringLiteral("Open")}},
        {"files as issued are refused",
         {kCoursesAsIssued, kStarts},
         QString(),
         {},
         {kCoursesLine, kStartsLine},
         false,
         false,
         {QStringLiteral("CourseData_Individual_Step2.xml:66: course A: its finish has no numeric code"),
          QStringLiteral("CourseData_Individual_Step2.xml:136: course B: its finish has no numeric code"),
          QStringLiteral("StartList1_five_digit.xml:"), QStringLiteral("StartList1_five_digit.xml:")}},
        {"finish code that is no number",
         {kCourses, kStarts},
         QStringLiteral("F1"),
         {},
         {kCoursesLine, kStartsLine},
         false,
         false,
         {QStringLiteral("ゴールのコード「F1」は数ではありません")}},
        {"entry list without a card refused",
         {kCourses, kEntries},
         QStringLiteral("100"),
         QStringLiteral("10:00:00"),
         {kCoursesLine, QStringLiteral("EntryList1_five_digit.xml\n　エントリーリスト（クラス 2、競技者 3）")},
         true,
         false,
         {QStringLiteral("EntryList1_five_digit.xml:37: Martin Edgar has no E-card")}},
        {"entry list start that is no time",
         {kCourses, kEntries},
         QStringLiteral("100"),
         QStringLiteral("25:00:00"),
         {kCoursesLine, QStringLiteral("EntryList1_five_digit.xml\n　エントリーリスト（クラス 2、競技者 3）")},
         true,
         false,
         {QStringLiteral("最初のスタートは 10:00:00 の形で入力してください")}},
        {"start list preferred, the entry list left",
         {kCourses, kEntries, kStarts},
         QStringLiteral("100"),
         {},
         {kCoursesLine, QStringLiteral("EntryList1_five_digit.xml\n　エントリーリスト（クラス 2、競技者 3）　使いません"),
          kStartsLine},
         false,
         true,
         {},
         {QStringLiteral("Men Elite"), QStringLiteral("Open")}},
    };
    return cases;
}

QStringList Lines(const QPlainTextEdit* text) { return text->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts); }

} // namespace

class ImportDialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InstallFontSubstitutions(); }

    void createOrRefuse_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < static_cast<int>(Cases().size()); ++i) QTest::newRow(Cases()[i].name) << i;
    }

    // The real opener, driven once its modal dialog is up.
    void createOrRefuse() {
        QFETCH(int, index);
        const Case& c = Cases()[static_cast<std::size_t>(index)];
        TempDir dir;
        for (const Copy& copy : c.files) CopyInto(dir, copy);
        WindowFixture f(dir, Time::Hms(12, 0, 0));
        bool seen = false;
        QStringList listed, refusals;
        bool entryFields = false;
        WhenOpen<ImportDialog>(
            [&](ImportDialog& d) {
                listed = Find<QLabel>(d, "Label2")->text().split(QLatin1Char('\n'));
                entryFields = !Find<QLineEdit>(d, "Text2")->isHidden() && !Find<QLineEdit>(d, "Text3")->isHidden() &&
                              !Find<QLabel>(d, "Label6")->isHidden();
                Find<QLineEdit>(d, "Text1")->setText(c.finishCode);
                Find<QLineEdit>(d, "Text2")->setText(c.firstStart);
                Find<QPushButton>(d, "Command1")->click();
                refusals = Lines(Find<QPlainTextEdit>(d, "Text4"));
                if (d.isVisible()) Find<QPushButton>(d, "Command2")->click();
            },
            &seen);
        f.window.Load();
        QVERIFY(seen);
        QCOMPARE(listed.join(QLatin1Char('\n')), c.listed.join(QLatin1Char('\n')));
        QCOMPARE(entryFields, c.entryFields);
        QCOMPARE(refusals.size(), c.refusals.size());
        for (int i = 0; i < refusals.size(); ++i) QVERIFY2(refusals[i].startsWith(c.refusals[i]), qPrintable(refusals[i]));
        for (const char* name : {"Control.dat", "Startlst.dat", "Entries.xml"})
            QCOMPARE(FileExists(dir.File(name)), c.created);
        QCOMPARE(Texts(f.window.lstWindow(2)).mid(0, 2),
                 c.created ? QStringList({"12:00 (読込)コントロールデータ", "12:00 (読込)スタートリスト"}) : QStringList());
        // No finish log yet: the lists fill at the first data load, as on any new event.
        f.window.Command1()->click();
        const QStringList status = Texts(f.window.lstWindow(0));
        for (const QString& name : {QStringLiteral("Men Elite"), QStringLiteral("Open")})
            QCOMPARE(status.filter(name).size(), c.classes.count(name));
        for (const char* card : {"79402", "29948", "97307"})
            QCOMPARE(f.RowOfCard(f.window.lstWindow(1), card) >= 0, c.created);
        QVERIFY(f.messages.isEmpty());
    }

    // Offered only to a folder with no event files and an IOF XML file to import.
    void offeredOnlyWhenItHelps_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("offered");
        QTest::newRow("course data") << QStringList{"a.xml"} << true;
        QTest::newRow("upper-case name") << QStringList{"A.XML"} << true;
        QTest::newRow("Control.dat there") << QStringList{"a.xml", "Control.dat"} << false;
        QTest::newRow("Startlst.dat there") << QStringList{"a.xml", "Startlst.dat"} << false;
        QTest::newRow("own output only") << QStringList{"Entries.xml", "E_Start.xml"} << false;
        QTest::newRow("no IOF XML") << QStringList{"other.xml", "broken.xml"} << false;
        QTest::newRow("empty folder") << QStringList{} << false;
    }

    void offeredOnlyWhenItHelps() {
        QFETCH(QStringList, files);
        QFETCH(bool, offered);
        TempDir dir;
        for (const QString& name : files) {
            const std::string n = name.toStdString();
            if (n == "other.xml") WriteCp932(dir.File(n), {"<ResultList/>"});
            else if (n == "broken.xml") WriteCp932(dir.File(n), {"<CourseData>"});
            else if (n.ends_with(".dat")) WriteCp932(dir.File(n), {});
            else CopyInto(dir, {n == "Entries.xml" ? "EntryList1_five_digit.xml" : "CourseData_Individual_Step2.xml", n});
        }
        WindowFixture f(dir, Time::Hms(12, 0, 0));
        int opened = 0;
        f.window.importOpener = [&](const FolderSurvey& survey, QWidget* owner) {
            ++opened;
            QCOMPARE(owner, static_cast<QWidget*>(&f.window));
            QCOMPARE(survey.folder, dir.Path());
        };
        f.window.Load();
        QCOMPARE(opened, offered ? 1 : 0);
    }

    // Cancel writes nothing and the start-up runs on the empty event.
    void cancelLeavesTheFolder() {
        TempDir dir;
        CopyInto(dir, kCourses);
        CopyInto(dir, kStarts);
        WindowFixture f(dir, Time::Hms(12, 0, 0));
        f.window.importOpener = [](const FolderSurvey& survey, QWidget* owner) {
            ImportDialog d(survey, owner);
            Find<QLineEdit>(d, "Text1")->setText(QStringLiteral("100"));
            Find<QPushButton>(d, "Command2")->click();
            QVERIFY(!d.Created());
        };
        f.window.Load();
        QCOMPARE(f.window.lstWindow(0)->count(), 0);
        for (const char* name : {"Control.dat", "Startlst.dat", "Entries.xml"}) QVERIFY(!FileExists(dir.File(name)));
    }

    void dialogLooksLikeTheOthers() {
        ImportDialog d(FolderSurvey{});
        QCOMPARE(d.windowTitle(), QStringLiteral("大会ファイルの作成"));
        QCOMPARE(d.size(), QSize(432, 438)); // 6480 x 6570 twips
        QCOMPARE(d.minimumSize(), d.maximumSize());
        QVERIFY(!(d.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(d.windowFlags() & Qt::WindowCloseButtonHint);
        QCOMPARE(Find<QPushButton>(d, "Command1")->text(), QStringLiteral("作成"));
        QCOMPARE(Find<QPushButton>(d, "Command2")->text(), QStringLiteral("キャンセル"));
        QVERIFY(Find<QPlainTextEdit>(d, "Text4")->isReadOnly());
        // Neither a course file nor an entry list: no fields to fill.
        for (const char* name : {"Text1", "Text2", "Text3"}) QVERIFY(Find<QLineEdit>(d, name)->isHidden());
    }
};

QTEST_MAIN(ImportDialogTest)
#include "ImportDialog_qtest.moc"
