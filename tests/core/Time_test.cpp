#include "core/Time.h"

#include <gtest/gtest.h>

namespace quilo {
namespace {

TEST(Time, ParsesHoursMinutesSeconds) {
    EXPECT_EQ(ParseTime("1:02:03"), Time::Hms(1, 2, 3));
    EXPECT_EQ(ParseTime("10:30:00"), Time::Hms(10, 30, 0));
    EXPECT_EQ(ParseTime(" 1:23 "), Time::Hms(1, 23, 0));
    EXPECT_EQ(ParseTime("0:0:5"), Time::Hms(0, 0, 5));
    for (const char* bad : {"", "abc", "1", "1:60:00", "24:00:00", "1:02:03:04", "1::3", "1:02:03x", "-1:00"})
        EXPECT_FALSE(ParseTime(bad)) << bad;
}

TEST(Time, Formats) {
    Time t = Time::Hms(1, 5, 9);
    EXPECT_EQ(FormatHhNnSs(t), "01:05:09");
    EXPECT_EQ(FormatHhNn(t), "01:05");
    EXPECT_EQ(FormatHNnSs(t), "1:05'09");
    EXPECT_EQ(FormatHNnSs(Time()), "0:00'00");
    // 24 hours or more shows the hour of the day.
    EXPECT_EQ(FormatHhNnSs(Time::Hms(25, 0, 1)), "01:00:01");
}

} // namespace
} // namespace quilo
