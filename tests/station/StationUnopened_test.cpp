// A station asked for its outputs and settings before Startup has read any settings:
// no output may land anywhere, and each answer is the documented default. Once read,
// the export settings are taken as typed (blanks trimmed, relative to the folder).
#include "station/Station.h"

#include "Clock.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quilo {
namespace {

TEST(StationUnopened, OutputsHaveNoPathAndNothingIsWritten) {
    test::TempDir dir;
    Station station(dir.Path(), test::FixedClock(12, 0, 0));
    for (const Result<std::string>& r : {station.WriteResults(), station.WriteNotReturned()}) {
        ASSERT_FALSE(r);
        EXPECT_EQ(r.Failure().kind, Error::Kind::NoPath);
    }
    EXPECT_TRUE(station.ReleaseSettings());
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(StationUnopened, SettingsAnswerTheirDefaults) {
    test::TempDir dir;
    Station station(dir.Path(), test::FixedClock(12, 0, 0));
    EXPECT_EQ(station.TimeLimit(), Time::Minutes(150));
    EXPECT_EQ(station.FontSize("ListFontSize"), 0.0f);
    EXPECT_FALSE(station.AutoReadOn());
    EXPECT_FALSE(station.AutoPublishOn());
}

TEST(StationUnopened, ExportsTakeTheFolderNameTodayAndDefaultFiles) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.File("Spring Cup"));
    Station station(dir.File("Spring Cup") + "//", test::FixedClock(12, 0, 0));
    station.SetCalendar([] { return LocalDate{2025, 4, 6, 540}; });
    const ExportInfo info = station.ExportDetails();
    EXPECT_EQ(info.eventName, "Spring Cup");
    EXPECT_EQ(IsoDate(info.eventDate), "2025-04-06");
    // In the event folder, however many slashes the folder was given with.
    auto normal = [](const std::string& p) { return std::filesystem::path(p).lexically_normal().string(); };
    EXPECT_EQ(normal(station.ExportPath(Station::ExportKind::Xml)), dir.File("Spring Cup/E_Result.xml"));
    EXPECT_EQ(normal(station.ExportPath(Station::ExportKind::Html)), dir.File("Spring Cup/E_Result.html"));
}

TEST(StationUnopened, ExportSettingsOnceRead) {
    test::TempDir dir;
    test::WriteBytes(dir.File("Quilo.ini"),
                     "EventName=  Spring Cup \r\nEventDate= 2025-04-06\r\n"
                     "XmlOutput=out/r.xml\r\nHtmlOutput=/elsewhere/r.html\r\n");
    Station station(dir.Path(), test::FixedClock(12, 0, 0));
    station.SetCalendar([] { return LocalDate{2025, 4, 7, 540}; });
    station.Startup();
    const ExportInfo info = station.ExportDetails();
    EXPECT_EQ(info.eventName, "Spring Cup");
    EXPECT_EQ(IsoDate(info.eventDate), "2025-04-06");
    EXPECT_EQ(station.ExportPath(Station::ExportKind::Xml), dir.File("out/r.xml"));
    EXPECT_EQ(station.ExportPath(Station::ExportKind::Html), "/elsewhere/r.html");
}

} // namespace
} // namespace quilo
