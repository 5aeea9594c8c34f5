// The file and number services on inputs a broken or hostile folder can hold: devices
// where files belong, and numbers too long for a double.
#include "core/Fields.h"
#include "core/Files.h"
#include "core/Numbers.h"
#include "core/Paths.h"

#include "TestSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include <gtest/gtest.h>

namespace quilo {
namespace {

using test::TempDir;

TEST(Robustness, NumbersTooLongForADoubleAreNoWholeNumbers) {
    // Beyond ~308 digits the conversion overflows to infinity, which once read as 0.
    EXPECT_EQ(ToWholeNumber(std::string(400, '9')), std::nullopt);
    EXPECT_EQ(ToWholeNumber("-" + std::string(400, '9')), std::nullopt);
    EXPECT_EQ(ToWholeNumber("0" + std::string(400, '0') + "7"), 7);
    EXPECT_EQ(ToWholeNumber("2147483648"), std::nullopt);
    // The leading-number rule has no failure: an overflow reads as 0.
    EXPECT_EQ(LeadingNumber(std::string(400, '9')), 0.0);
    EXPECT_EQ(LeadingInt16(std::string(400, '9')), 0);
}

TEST(Robustness, FieldSplitterIsLinearInQuotePairs) {
    // A quoted stretch per pair before a separator far away: each field stays one walk.
    const std::string quotes(1 << 20, '"');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(GetField("a," + quotes + ",b", 2, ",").size(), quotes.size() - 2);
    EXPECT_EQ(GetField("a," + quotes + ",b", 3, ","), "b");
    EXPECT_EQ(GetField(quotes + "://x", 2, ":"), "//x");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    // Quotes still protect the separators they enclose.
    EXPECT_EQ(GetField("\"a,b\"\"c,d\",e", 1, ","), "a,b\"\"c,d");
    EXPECT_EQ(GetField("\"a,b\"\"c,d\",e", 2, ","), "e");
}

TEST(Robustness, DevicesAreNoFiles) {
    // An endless device would otherwise be one line without end.
    EXPECT_FALSE(FileExists("/dev/zero"));
    EXPECT_FALSE(LineReader("/dev/zero").IsOpen());
    EXPECT_FALSE(FileExists("/dev/null"));
    const Result<> r = AppendLineDurable("/dev/null", "x");
    ASSERT_FALSE(r);
    EXPECT_EQ(r.Failure().kind, Error::Kind::NotRegularFile);
}

TEST(Robustness, SymbolicLinkToAFileIsThatFile) {
    TempDir dir;
    test::WriteBytes(dir.File("real.log"), "a,b\r\n");
    ASSERT_EQ(::symlink(dir.File("real.log").c_str(), dir.File("Regnly.log").c_str()), 0);
    EXPECT_TRUE(FileExists(dir.File("Regnly.log")));
    const Result<std::vector<std::string>> lines = ReadTextLines(dir.File("Regnly.log"));
    ASSERT_TRUE(lines);
    EXPECT_EQ(*lines, (std::vector<std::string>{"a,b"}));
}

} // namespace
} // namespace quilo
