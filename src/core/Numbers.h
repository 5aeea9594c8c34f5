#pragma once
// Numbers read from text and written as text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quilo {

// The leading-number rule: blanks anywhere are ignored, the number the text begins
// with (sign, digits, decimal point, exponent), 0 when it begins with no number.
double LeadingNumber(std::string_view text);
// Nearest whole number, halves to the even neighbour.
std::int64_t RoundHalfEven(double value);
// LeadingNumber rounded, clamped into 16 bits (the range of the minute settings).
int LeadingInt16(std::string_view text);
// The whole-number conversion of the set-up files: surrounding blanks allowed, the
// rest must be a decimal number (rounded half to even) that fits 32 bits.
std::optional<std::int32_t> ToWholeNumber(std::string_view text);
// Format "0000" and the like: at least `digits` digits with leading zeros.
std::string ZeroPad(std::int64_t value, int digits);

} // namespace quilo
