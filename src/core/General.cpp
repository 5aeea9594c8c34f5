#include "core/General.h"

#include "core/Cp932.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <limits>

namespace quilo {

bool FileExists(const std::string& path) {
    if (path.empty()) return false;
    // Without waiting, and regular files only: a FIFO would block the open (a hang at
    // start-up), and the readers cannot take a device either.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular;
}

std::string AddBackslash(std::string_view path) {
    if (!path.empty() && (path.back() == '/' || path.back() == '\\')) return std::string(path);
    std::string out(path);
    out += '/';
    return out;
}

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
        if (e == npos) return c;  // an unclosed quote protects nothing
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

int ByteLength(std::string_view text) { return Cp932Length(text); }

double LeadingNumber(std::string_view text) {
    std::string digits;
    digits.reserve(text.size());
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
    };
    skipBlanks();
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) { digits += text[i]; ++i; }
    bool any = false, dot = false;
    while (true) {
        skipBlanks();
        if (i >= text.size()) break;
        char ch = text[i];
        if (ch >= '0' && ch <= '9') { digits += ch; any = true; ++i; }
        else if (ch == '.' && !dot) { digits += ch; dot = true; ++i; }
        else break;
    }
    if (!any) return 0.0;
    // Exponent, only when digits follow it.
    skipBlanks();
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        std::size_t save = i;
        std::string exp = "e";
        ++i;
        skipBlanks();
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) { exp += text[i]; ++i; }
        bool expDigits = false;
        while (true) {
            skipBlanks();
            if (i < text.size() && text[i] >= '0' && text[i] <= '9' && exp.size() < 8) { exp += text[i]; ++i; expDigits = true; }
            else break;
        }
        if (expDigits) digits += exp; else i = save;
    }
    double v = std::strtod(digits.c_str(), nullptr);
    return std::isfinite(v) ? v : 0.0;
}

std::int64_t RoundHalfEven(double value) {
    if (!std::isfinite(value)) return 0;
    constexpr double lim = 9.0e18;
    if (value > lim) return static_cast<std::int64_t>(lim);
    if (value < -lim) return -static_cast<std::int64_t>(lim);
    return static_cast<std::int64_t>(std::nearbyint(value));
}

int LeadingInt16(std::string_view text) {
    std::int64_t v = RoundHalfEven(LeadingNumber(text));
    if (v > 32767) return 32767;
    if (v < -32768) return -32768;
    return static_cast<int>(v);
}

std::optional<std::int32_t> ToWholeNumber(std::string_view text) {
    std::string t = TrimBlanks(text);
    if (t.empty()) return std::nullopt;
    std::size_t i = 0;
    if (t[i] == '+' || t[i] == '-') ++i;
    bool digits = false, dot = false;
    for (; i < t.size(); ++i) {
        if (t[i] >= '0' && t[i] <= '9') digits = true;
        else if (t[i] == '.' && !dot) dot = true;
        else return std::nullopt;
    }
    if (!digits) return std::nullopt;
    double v = std::strtod(t.c_str(), nullptr);
    // More than ~308 digits overflow to infinity, which must not pass as 0.
    if (!std::isfinite(v)) return std::nullopt;
    std::int64_t r = RoundHalfEven(v);
    if (r > std::numeric_limits<std::int32_t>::max() || r < std::numeric_limits<std::int32_t>::min()) return std::nullopt;
    return static_cast<std::int32_t>(r);
}

int CharCount(std::string_view text) {
    int n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string LeftChars(std::string_view text, int n) {
    std::size_t i = 0;
    int count = 0;
    while (i < text.size()) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (count == n) break;
            ++count;
        }
        ++i;
    }
    return std::string(text.substr(0, i));
}

std::string PadLeft(std::string_view text, int width) {
    int n = CharCount(text);
    std::string out;
    if (n < width) out.assign(static_cast<std::size_t>(width - n), ' ');
    out += text;
    return out;
}

std::string PadRight(std::string_view text, int width) {
    std::string out(text);
    int n = CharCount(text);
    if (n < width) out.append(static_cast<std::size_t>(width - n), ' ');
    return out;
}

std::string PadRightWidth(std::string_view text, int width) {
    std::string out(text);
    int n = ByteLength(text);
    if (n < width) out.append(static_cast<std::size_t>(width - n), ' ');
    return out;
}

std::string RightNumber(std::int64_t value, int width) { return PadLeft(std::to_string(value), width); }

std::string ZeroPad(std::int64_t value, int digits) {
    std::string s = std::to_string(value < 0 ? -value : value);
    if (static_cast<int>(s.size()) < digits) s.insert(0, static_cast<std::size_t>(digits) - s.size(), '0');
    return value < 0 ? "-" + s : s;
}

namespace {

// Half-width katakana U+FF61..U+FF9F to full-width.
constexpr char32_t kKana[] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9, 0x30E3, 0x30E5, 0x30E7, 0x30C3,
    0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB, 0x30AD, 0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB,
    0x30BD, 0x30BF, 0x30C1, 0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5, 0x30D8,
    0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9, 0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF,
    0x30F3, 0x309B, 0x309C};

bool TakesDakuten(char32_t k) {
    return (k >= 0x30AB && k <= 0x30C8 && (k - 0x30AB) % 2 == 0 && k != 0x30C3) || k == 0x30C4 || k == 0x30C6 || k == 0x30C8 ||
           (k >= 0x30CF && k <= 0x30DB && (k - 0x30CF) % 3 == 0) || k == 0x30A6;
}

} // namespace

std::string ToFullWidth(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t cp = NextCodePoint(text, i);
        if (cp == 0x20) cp = 0x3000;
        else if (cp > 0x20 && cp < 0x7F) cp = cp - 0x21 + 0xFF01;
        else if (cp >= 0xFF61 && cp <= 0xFF9F) {
            char32_t k = kKana[cp - 0xFF61];
            // A voiced or semi-voiced mark after a kana merges into it.
            std::size_t j = i;
            if (j < text.size()) {
                char32_t next = NextCodePoint(text, j);
                if (next == 0xFF9E && TakesDakuten(k)) { k = (k == 0x30A6) ? 0x30F4 : k + 1; i = j; }
                else if (next == 0xFF9F && k >= 0x30CF && k <= 0x30DB && (k - 0x30CF) % 3 == 0) { k += 2; i = j; }
            }
            cp = k;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

namespace {

template <typename Narrow>
std::string MapCodePoints(std::string_view text, Narrow narrow) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) AppendUtf8(out, narrow(NextCodePoint(text, i)));
    return out;
}

} // namespace

std::string HalfWidthText(std::string_view text) {
    return MapCodePoints(text, [](char32_t cp) -> char32_t {
        if (cp >= 0xFF01 && cp <= 0xFF5E) return cp - 0xFEE0;
        return cp == 0x3000 ? U' ' : cp;
    });
}

std::string HalfWidthNumber(std::string_view text) {
    return MapCodePoints(text, [](char32_t cp) -> char32_t {
        if ((cp >= 0xFF10 && cp <= 0xFF19) || cp == 0xFF1A) return cp - 0xFEE0;
        return cp == 0xFF0D || cp == 0x2212 ? U'-' : cp;
    });
}

std::string ToUpper(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t cp = NextCodePoint(text, i);
        if (cp >= 'a' && cp <= 'z') cp -= 32;
        else if (cp >= 0xFF41 && cp <= 0xFF5A) cp -= 0x20;
        AppendUtf8(out, cp);
    }
    return out;
}

std::string TrimBlanks(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    return std::string(text.substr(b, e - b));
}

} // namespace quilo
