// A station asked for its outputs and settings before Startup has read any settings:
// no output may land anywhere, and each answer is the documented default.
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
    const IoResult results = station.WriteResults();
    const IoResult notReturned = station.WriteNotReturned();
    for (const IoResult& r : {results, notReturned}) {
        EXPECT_FALSE(r);
        EXPECT_EQ(r.problem, IoResult::Problem::NoPath);
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

} // namespace
} // namespace quilo
