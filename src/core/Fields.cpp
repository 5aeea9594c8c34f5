#include "core/Fields.h"

namespace quilo {

std::string StripQuotes(std::string_view text) {
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') return std::string(text.substr(1, text.size() - 2));
    return std::string(text);
}

int CountOccurrences(std::string_view text, std::string_view sought) {
    if (sought.empty()) return 0;
    int count = 0;
    std::size_t pos = 0;
    while ((pos = text.find(sought, pos)) != std::string_view::npos) {
        ++count;
        pos += sought.size();
    }
    return count;
}

// Separators and quotes are ASCII, and no byte of a multi-byte UTF-8 (or CP932 trail
// position below 0x40) character equals them, so the walk can run over bytes.
std::string_view FieldSplitter::Next() {
    if (done_) return {};
    const std::size_t c = FindSeparator(start_);
    std::string_view field;
    if (c == std::string_view::npos) {
        field = line_.substr(start_);
        done_ = true;
    } else {
        field = line_.substr(start_, c - start_);
        start_ = c + sep_.size();
    }
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"') field = field.substr(1, field.size() - 2);
    return field;
}

std::size_t FieldSplitter::FindSeparator(std::size_t p) {
    constexpr auto npos = std::string_view::npos;
    // Searched again only when a quoted stretch runs past it: a search per quote pair
    // made a long line of quotes take quadratic time.
    std::size_t c = line_.find(sep_, p);
    while (true) {
        if (c != npos && c < p) c = line_.find(sep_, p);
        if (c == npos) return npos;
        const std::size_t d = QuoteAtOrAfter(p);
        if (d == npos || d >= c) return c;
        const std::size_t e = QuoteAtOrAfter(d + 1);
        if (e == npos) return c; // an unclosed quote protects nothing
        p = e + 1;
    }
}

std::size_t FieldSplitter::QuoteAtOrAfter(std::size_t p) {
    // Positions only grow along a line, so the last quote found serves until the walk
    // passes it; a line without quotes is searched for one only once.
    if (!quoteKnown_ || (quote_ != std::string_view::npos && quote_ < p)) {
        quote_ = line_.find('"', p);
        quoteKnown_ = true;
    }
    return quote_;
}

std::string_view GetFieldView(std::string_view line, int n, std::string_view sep) {
    if (n <= 0) return {};
    FieldSplitter fields(line, sep);
    std::string_view field;
    for (int i = 0; i < n; ++i) {
        if (fields.Done()) return {};
        field = fields.Next();
    }
    return field;
}

std::string GetField(std::string_view line, int n, std::string_view sep) { return std::string(GetFieldView(line, n, sep)); }
std::string TrimBlanks(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    return std::string(text.substr(b, e - b));
}

} // namespace quilo
