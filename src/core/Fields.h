#pragma once
// Fields of separated lines, quotes and blanks. Texts are UTF-8.
#include <cstddef>
#include <string>
#include <string_view>

namespace quilo {

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

std::string TrimBlanks(std::string_view text);
// ASCII letters in lower case, the rest as is: keys that compare without letter case.
inline std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& ch : out)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return out;
}

} // namespace quilo
