// The number rules, with their edges: blanks inside numbers, exponents and limits.
#include "core/Numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <utility>

namespace quilo {
namespace {

TEST(Numbers, LeadingNumberRule) {
    const std::pair<const char*, double> cases[] = {
        {"12abc", 12},      {" 1 2 3", 123}, {"", 0},        {"2.5", 2.5},  {"\t\r\n7", 7}, {"1 2", 12},
        {"+.5", 0.5},       {"-5x", -5},     {"1.2.3", 1.2}, {".", 0},      {"-", 0},       {"abc", 0},
        {"1e3", 1000},      {"1 E 2", 100},  {"1e+2", 100},  {"1d-1", 0.1}, {"2D1", 20},    {"1e", 1},
        {"1e+", 1},         {"1ex", 1},      {"1e999", 0}, // infinite: no number rather than a wrong one
        {"1e-00000001", 1},                                // the exponent keeps at most seven characters
    };
    for (const auto& [text, want] : cases) EXPECT_DOUBLE_EQ(LeadingNumber(text), want) << text;
}

TEST(Numbers, RoundingAndClamping) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, std::int64_t> rounds[] = {
        {2.5, 2},
        {3.5, 4},
        {-2.5, -2},
        {2.6, 3},
        {std::nan(""), 0},
        {inf, 0},
        {-inf, 0},
        {1e19, 9'000'000'000'000'000'000},
        {-1e19, -9'000'000'000'000'000'000},
    };
    for (const auto& [value, want] : rounds) EXPECT_EQ(RoundHalfEven(value), want) << value;
    const std::pair<const char*, int> int16[] = {{"99999", 32767},   {"-99999", -32768}, {"40000", 32767},
                                                 {"-40000", -32768}, {"32767", 32767},   {"12.5", 12}};
    for (const auto& [text, want] : int16) EXPECT_EQ(LeadingInt16(text), want) << text;
}

TEST(Numbers, WholeNumberConversion) {
    const std::optional<std::int32_t> no;
    const std::pair<std::string, std::optional<std::int32_t>> cases[] = {
        {" 12 ", 12},
        {"0012", 12},
        {"-3", -3},
        {"+5", 5},
        {"-5", -5},
        {" 5. ", 5},
        {"2.5", 2},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"-2147483649", no},
        {"99999999999", no},
        {"", no},
        {"  ", no},
        {"12a", no},
        {"1.2.3", no},
        {"+", no},
        {".", no},
        {"-.", no},
        {"1 2", no},
        {std::string(400, '9'), no},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(ToWholeNumber(text), want) << text;
}

TEST(Numbers, ZeroPadNeverCuts) {
    const std::pair<std::pair<std::int64_t, int>, const char*> cases[] = {
        {{12, 4}, "0012"}, {{12345, 4}, "12345"}, {{812, 5}, "00812"}, {{-5, 3}, "-005"}, {{1234, 2}, "1234"}};
    for (const auto& [args, want] : cases) EXPECT_EQ(ZeroPad(args.first, args.second), want) << args.first;
}

} // namespace
} // namespace quilo
