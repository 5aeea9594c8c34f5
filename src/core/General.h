#pragma once
// Small stateless text, number and path services shared by every file-handling part.
// Texts are UTF-8; positions are characters (a Japanese character counts as one).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quilo {

bool FileExists(const std::string& path);
// Appends "/" unless the path already ends in "/" or a backslash.
std::string AddBackslash(std::string_view path);
std::string StripQuotes(std::string_view text);
int CountOccurrences(std::string_view text, std::string_view sought);
// The fields of a separated line one after another, aware of double-quoted stretches
// (a separator inside a closed pair of quotes does not count), each without enclosing
// quotes. A long line is walked once instead of once per field.
class FieldSplitter {
public:
    FieldSplitter(std::string_view line, std::string_view separator)
        : line_(line), sep_(separator), done_(line.empty() || separator.empty()) {}
    // The next field; empty text once the fields run out.
    std::string_view Next();
    bool Done() const { return done_; }

private:
    std::size_t FindSeparator(std::size_t p);
    std::size_t QuoteAtOrAfter(std::size_t p);

    std::string_view line_;
    std::string_view sep_;
    std::size_t start_ = 0;
    bool done_;
    bool quoteKnown_ = false;
    std::size_t quote_ = std::string_view::npos;
};

// Field n (1-based) of a separated line, by the rules of FieldSplitter.
std::string GetField(std::string_view line, int n, std::string_view separator);
std::string_view GetFieldView(std::string_view line, int n, std::string_view separator);
int ByteLength(std::string_view text);

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

// Characters of a UTF-8 text, and its first n characters.
int CharCount(std::string_view text);
std::string LeftChars(std::string_view text, int n);

// Padding: by characters (numbers, codes, class names) or by display width.
std::string PadLeft(std::string_view text, int width);
std::string PadRight(std::string_view text, int width);
std::string PadRightWidth(std::string_view text, int width);
std::string RightNumber(std::int64_t value, int width);
// Format "0000" and the like: at least `digits` digits with leading zeros.
std::string ZeroPad(std::int64_t value, int digits);

// Half-width to full-width characters (letters, digits, signs, space, katakana).
std::string ToFullWidth(std::string_view text);
// What an input method types, as the change file and the results keep it: full-width
// signs, letters and digits (U+FF01-U+FF5E) and the ideographic space in ASCII.
std::string HalfWidthText(std::string_view text);
// Full-width digits, colon and minus signs (U+FF0D, U+2212) in ASCII; the rest as is.
std::string HalfWidthNumber(std::string_view text);
// Upper case of ASCII and full-width Latin letters.
std::string ToUpper(std::string_view text);

std::string TrimBlanks(std::string_view text);
// ASCII letters in lower case, the rest as is: keys that compare without letter case.
inline std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& ch : out)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return out;
}

} // namespace quilo
