// Dates read strictly and date-times that cross midnight, month, year and offset sign.
#include "core/Calendar.h"

#include <gtest/gtest.h>

#include <optional>

namespace quilo {
namespace {

TEST(CalendarEdges, OnlyRealDaysAreRead) {
    const char* real[] = {"2024-02-29", "2000-02-29", "2023-12-31", "0000-03-01", "0001-01-01", "9999-12-31"};
    for (const char* text : real) {
        LocalDate d;
        EXPECT_TRUE(ParseIsoDate(text, d)) << text;
        EXPECT_EQ(IsoDate(d), text);
    }
    const char* refused[] = {"2023-02-29", "1900-02-29", "2024-04-31", "2024-13-01", "2024-00-10",
                             "2024-01-00", "2024-01-32", "2024/01/01", "2024-01/01", "2024-1-01",
                             "20a4-01-01", "2024-0x-01", "2024-01-0x", "",           "2024-01-011"};
    for (const char* text : refused) {
        LocalDate d{1999, 5, 6, 0};
        EXPECT_FALSE(ParseIsoDate(text, d)) << text;
        EXPECT_EQ(IsoDate(d), "1999-05-06") << text; // left as it was
    }
}

// The settings and the finish log also spell a date with slashes, never both marks mixed.
TEST(CalendarEdges, DatesWithEitherMark) {
    const std::pair<const char*, const char*> cases[] = {
        {"2026-12-06", "2026-12-06"}, {"2026/12/06", "2026-12-06"}, {"2024/02/29", "2024-02-29"}, {"2023/02/29", nullptr},
        {"2026/12-06", nullptr},      {"2026-12/06", nullptr},      {"2026.12.06", nullptr},      {"2026/1/06", nullptr},
        {"2026/12/6", nullptr},       {" 2026/12/06", nullptr},     {"2026/13/01", nullptr},      {"", nullptr},
    };
    for (const auto& [text, want] : cases) {
        LocalDate d{1999, 5, 6, 540};
        EXPECT_EQ(ParseDate(text, d), want != nullptr) << text;
        EXPECT_EQ(IsoDate(d), want ? want : "1999-05-06") << text;
        EXPECT_EQ(d.utcOffsetMinutes, 540) << text;
    }
}

TEST(CalendarEdges, DateTimesRollOverEveryBoundary) {
    struct Case {
        LocalDate day;
        Time t;
        const char* want;
    };
    const Case cases[] = {
        {{2024, 6, 1, 540}, Time::Hms(10, 5, 7), "2024-06-01T10:05:07+09:00"},
        {{2024, 6, 1, -330}, Time::Hms(0, 0, 0), "2024-06-01T00:00:00-05:30"},
        {{2023, 12, 31, 0}, Time::Hms(25, 0, 1), "2024-01-01T01:00:01+00:00"},
        {{2024, 2, 28, 60}, Time::Hms(48, 0, 0), "2024-03-01T00:00:00+01:00"},
        {{2024, 3, 1, 540}, Time(-1), "2024-02-29T23:59:59+09:00"},
        {{2024, 1, 1, 540}, Time(-86400), "2023-12-31T00:00:00+09:00"},
        {{2024, 1, 1, 540}, Time(-86401), "2023-12-30T23:59:59+09:00"},
        {{1970, 1, 1, 0}, Time(-1), "1969-12-31T23:59:59+00:00"},
        {{-1, 12, 31, 0}, Time(86400), "0000-01-01T00:00:00+00:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(IsoDateTime(c.day, c.t), c.want) << c.want;
}

// Times of day: the quick reading of "H:MM:SS" and the general one must agree at every
// edge, out-of-range parts are refused by both.
TEST(CalendarEdges, TimesOfDayReadTheSameByBothRoutes) {
    const std::pair<const char*, std::optional<Time>> cases[] = {
        {"23:59:59", Time::Hms(23, 59, 59)},
        {"9:05:07", Time::Hms(9, 5, 7)},
        {"\t1:02:03", Time::Hms(1, 2, 3)},
        {" 1:02:03 ", Time::Hms(1, 2, 3)},
        {"1:2", Time::Hms(1, 2, 0)},
        {"01:02:3", Time::Hms(1, 2, 3)},
        {"24:00:00", std::nullopt},
        {"23:60:00", std::nullopt},
        {"23:59:60", std::nullopt},
        {"9:60:00", std::nullopt},
        {"24:00", std::nullopt},
        {"1:60", std::nullopt},
        {"1:02:60", std::nullopt},
        {"x1:02:03", std::nullopt},
        {"1:02:0x", std::nullopt},
        {"1a02:03", std::nullopt},
        {"1:0a:03", std::nullopt},
        {"1:02a03", std::nullopt},
        {"1:02:03:04", std::nullopt},
        {"123:00", std::nullopt},
        {"1", std::nullopt},
        {"", std::nullopt},
        {":", std::nullopt},
        {" \t ", std::nullopt},
        {"1::03", std::nullopt},
        {"1:02:", std::nullopt},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(ParseTime(text), want) << text;
}

} // namespace
} // namespace quilo
