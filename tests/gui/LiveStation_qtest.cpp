// The live station alone: what the settings start, when the operator is busy, that an
// unloaded window reads no more. Then the real window with AutoRead=1 while another
// thread writes the finish log as a card reader does: results appear by themselves, a
// half-written line never shows a wrong time, and an unassigned spare card is asked
// about once.
#include "WindowFixture.h"
#include "WindowTestEvent.h"
#include "core/Cp932.h"
#include "gui/Fonts.h"
#include "gui/LiveStation.h"

#include <QTimer>

#include <QtTest>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace quilo;
using namespace quilo::test;

namespace {

void Append(const std::string& path, const std::string& utf8) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << Utf8ToCp932(utf8);
}

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool ListHas(const QListWidget* list, const QString& text) {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().contains(text)) return true;
    return false;
}

} // namespace

class LiveStationTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InstallFontSubstitutions(); }

    void startsWhatTheSettingsSay() {
        struct Case {
            std::vector<std::string> ini;
            bool reading, publishing;
        } cases[] = {
            {{}, false, false},
            {{"AutoRead=1"}, true, false},
            {{"AutoPublish=1"}, false, true},
            {{"AutoRead=1", "AutoPublish=1"}, true, true},
        };
        for (const Case& c : cases) {
            TempDir dir;
            WriteEvent(dir);
            WriteCp932(dir.File("Quilo.ini"), c.ini);
            Station station(dir.Path(), FixedClock(Time::Hms(12, 0, 0)));
            LiveStation live(station);
            station.Startup();
            live.Start();
            QCOMPARE(live.Reading(), c.reading);
            QCOMPARE(live.Publishing(), c.publishing);
            QCOMPARE(std::filesystem::exists(dir.File("E_Result.txt")), c.publishing);
            QCOMPARE(live.LookTimer() != nullptr && live.LookTimer()->isActive(), c.reading);
        }
    }

    // Busy while a dialog is open, a press is held or a press may still become a double
    // click; a dialog closed frees the station at once.
    void busyWhileTheOperatorActs() {
        TempDir dir;
        WriteEvent(dir);
        Station station(dir.Path(), FixedClock(Time::Hms(12, 0, 0)));
        LiveStation live(station);
        bool dialog = false;
        live.dialogOpen = [&] { return dialog; };
        live.doubleClickMs = 100;
        QVERIFY(live.StationIsFree());
        dialog = true;
        QVERIFY(!live.StationIsFree());
        dialog = false;
        live.ListPressed();
        QTest::qWait(150);
        QVERIFY(!live.StationIsFree());
        live.ListReleased();
        QVERIFY(!live.StationIsFree());
        QTRY_VERIFY_WITH_TIMEOUT(live.StationIsFree(), 1000);
        live.ListPressed();
        live.DialogClosed();
        QVERIFY(live.StationIsFree());
    }

    // Reads by itself, keeps the window told, and reads no more once stopped.
    void readsUntilStopped() {
        TempDir dir;
        WriteEvent(dir);
        WriteCp932(dir.File("Quilo.ini"), {"AutoRead=1"});
        Station station(dir.Path(), FixedClock(Time::Hms(12, 0, 0)));
        LiveStation live(station);
        int automatic = 0;
        live.onRefreshed = [&] { automatic += live.AutoReading() ? 1 : 0; };
        station.Startup();
        live.Start();
        const std::uint64_t reads = station.ReadSerial();
        Append(dir.File("Regnly.log"), "1,2,3,4,5,(12346),31,0:10:00,32,0:20:00,33,0:30:00,100,0:45:00\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(station.ReadSerial(), reads + 1, 3000);
        QCOMPARE(automatic, 1);
        live.Stop();
        Append(dir.File("Regnly.log"), "1,2,3,4,5,(12347),31,0:10:00,32,0:20:00,33,0:30:00,100,0:46:00\r\n");
        live.DialogClosed();
        QTest::qWait(1000);
        QCOMPARE(station.ReadSerial(), reads + 1);
    }

    // A log the card reader creates after the start is watched and read.
    void readsALogCreatedAfterTheStart() {
        TempDir dir;
        WriteEvent(dir);
        std::filesystem::remove(dir.File("Regnly.log"));
        WriteCp932(dir.File("Quilo.ini"), {"AutoRead=1"});
        Station station(dir.Path(), FixedClock(Time::Hms(12, 0, 0)));
        LiveStation live(station);
        station.Startup();
        live.Start();
        const std::uint64_t reads = station.ReadSerial();
        Append(dir.File("Regnly.log"), "1,2,3,4,5,(12346),31,0:10:00,32,0:20:00,33,0:30:00,100,0:45:00\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(station.ReadSerial(), reads + 1, 3000);
        Append(dir.File("Regnly.log"), "1,2,3,4,5,(12347),31,0:10:00,32,0:20:00,33,0:30:00,100,0:46:00\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(station.ReadSerial(), reads + 2, 3000);
    }

    void followsTheLogAsItIsWritten() {
        TempDir dir;
        EventFiles files = WindowEventFiles();
        files.startList.push_back("90001,**");
        WriteEventFiles(dir, files);
        WriteCp932(dir.File("Quilo.ini"), {"AutoRead=1"});
        WindowFixture f(dir, Time::Hms(12, 0, 0));
        f.window.Load();
        f.window.show();
        QListWidget* list = f.window.lstWindow(1);

        // Every refresh is looked at: a wrong time must never be shown, not even once.
        int wrongTimes = 0;
        const Subscription looked = f.station.Subscribe([&](const auto&) {
            if (ListHas(list, QStringLiteral("0:04'00\""))) ++wrongTimes;
        });

        const std::string log = dir.File("Regnly.log");
        std::thread writer([&] {
            Pause(300);
            Append(log, "1,2,3,4,5,(12346),31,0:11:00,32,0:21:00,33,0:31:00,100,0:4");
            Pause(1500); // the reader writes the rest a moment later
            Append(log, "5:00\r\n");
            Pause(300);
            // Two at once, the second one a spare card nobody has taken yet.
            Append(log,
                   "1,2,3,4,5,(90001),31,0:10:00,32,0:20:00,33,0:30:00,100,0:52:00\r\n"
                   "1,2,3,4,5,(12347),31,0:10:00,32,0:20:00,33,0:30:00,100,0:38:00\r\n");
            Pause(1500);
            Append(log, "1,2,3,4,5,(12345),31,0:10:00,32,0:20:00,33,0:30:00,100,0:33:00\r\n");
        });
        QTRY_VERIFY_WITH_TIMEOUT(ListHas(list, QStringLiteral("鈴木一郎")) && ListHas(list, QStringLiteral("0:45'00\"")),
                                 10000);
        QTRY_VERIFY_WITH_TIMEOUT(ListHas(list, QStringLiteral("0:33'00\"")), 10000);
        writer.join();
        QTest::qWait(1500); // more looks at the unchanged log ask nothing again

        QCOMPARE(wrongTimes, 0);
        QCOMPARE(f.spares, std::vector<int>{90001});
        QVERIFY(f.messages.isEmpty());
    }
};

QTEST_MAIN(LiveStationTest)
#include "LiveStation_qtest.moc"
