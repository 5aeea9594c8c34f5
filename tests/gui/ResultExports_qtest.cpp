// The results button writes the two exports with the results file and reports each one
// that fails on its own, the window running on.
#include "WindowFixture.h"
#include "WindowTestEvent.h"

#include <QPushButton>
#include <QtTest>

#include <filesystem>

using namespace quilo;
using namespace quilo::test;

class ResultExportsTest : public QObject {
    Q_OBJECT

private slots:
    void resultsButtonWritesBothExports() {
        TempDir dir;
        WriteEvent(dir);
        WindowFixture f(dir, Time::Hms(12, 0, 0));
        f.LoadAndCountRefreshes();
        QTest::mouseClick(f.window.Command2(), Qt::LeftButton);
        QVERIFY(f.messages.isEmpty());
        QVERIFY(ReadBytes(dir.File("E_Result.xml")).find("<ResultList") != std::string::npos);
        QVERIFY(ReadBytes(dir.File("E_Result.html")).find("<!DOCTYPE html>") != std::string::npos);
        QCOMPARE(f.refreshes, 1); // one refresh serves all three files
    }

    void eachFailedExportShowsItsOwnMessage() {
        TempDir dir;
        WriteEvent(dir);
        const std::string xml = dir.Path() + "/missing/list.xml";
        const std::string html = dir.Path() + "/missing/page.html";
        WriteCp932(dir.File("Quilo.ini"), {"XmlOutput=" + xml, "HtmlOutput=" + html});
        WindowFixture f(dir, Time::Hms(12, 0, 0));
        f.LoadAndCountRefreshes();
        QTest::mouseClick(f.window.Command2(), Qt::LeftButton);
        QCOMPARE(f.messages.size(), 2);
        QVERIFY2(f.messages[0].startsWith(QStringLiteral("XML成績ファイルを書き込めませんでした。\n") +
                                          QString::fromStdString(xml) + "\n"),
                 qPrintable(f.messages[0]));
        QVERIFY2(f.messages[1].startsWith(QStringLiteral("HTML成績ページを書き込めませんでした。\n") +
                                          QString::fromStdString(html) + "\n"),
                 qPrintable(f.messages[1]));
        // The results file itself was written.
        QVERIFY(!ReadCp932Lines(dir.File("E_Result.txt")).empty());
        QCOMPARE(f.window.cursor().shape(), Qt::ArrowCursor);
    }
};

QTEST_MAIN(ResultExportsTest)
#include "ResultExports_qtest.moc"
