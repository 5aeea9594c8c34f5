// Punch codes as the card reader writes them: codes above the quick lookup's range, any
// of three alternatives, leading zeros and trailing letters, must place (or not place)
// a punch exactly as plain small codes do.
#include "ExportEvent.h"

#include <gtest/gtest.h>

namespace quilo {
namespace {

using test::ExportEvent;
using test::T;

TEST(PunchCodes, LargeAlternativeAndOddlyWrittenCodes) {
    struct Case {
        const char* pairs;
        const char* status;
    };
    const Case cases[] = {
        {"2000,0:05:00,232,0:10:00,33,0:15:00,100,0:20:00", ""},   // large code, third alternative
        {"2000,0:05:00,32,0:10:00,033,0:15:00,100,0:20:00", ""},   // first alternative, leading zero
        {"2000,0:05:00,132,0:10:00,33x,0:15:00,100,0:20:00", ""},  // second alternative, trailing letter
        {"2001,0:05:00,232,0:10:00,33,0:15:00,100,0:20:00", "P1"}, // a large code not on the course
        {"2000,0:05:00,332,0:10:00,33,0:15:00,100,0:20:00", "P1"}, // no such alternative
        {"2000,0:05:00,-32,0:10:00,33,0:15:00,100,0:20:00", "P1"}, // a negative code is none
        {"2000,0:05:00,3200000000,0:10:00,33,0:15:00,100,0:20:00", "P1"},
        {"2000,0:05:00,232,0:10:00,-33,0:15:00,100,0:20:00", "DNF"}, // the last control missing
    };
    for (const auto& c : cases) {
        ExportEvent e{"M21"};
        e.Course(0, {{2000}, {32, 132, 232}, {33}});
        const int n = e.Runner(0, T(10, 0), 101);
        e.Read(n, c.pairs);
        EXPECT_EQ(e.Tables().EntryOf(n)->Status, c.status) << c.pairs;
    }
}

} // namespace
} // namespace quilo
