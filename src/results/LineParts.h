#pragma once
// Building fixed-column list and file lines. A refresh builds thousands of lines, so a
// line is gathered in a buffer on the stack and appended to its string in one go, and
// numbers and times are written without temporaries or snprintf (the time forms match
// FormatHhNnSs, FormatHhNn and FormatHNnSs).
#include "core/Event.h"
#include "core/TextWidth.h"
#include "core/Time.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace quilo::parts {

class LineWriter {
public:
    explicit LineWriter(std::string& out) : out_(out) {}
    ~LineWriter() { Flush(); }
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    void Char(char c) {
        if (n_ == kSize) Flush();
        buf_[n_++] = c;
    }

    void Text(std::string_view s) {
        if (s.size() > kSize - n_) {
            Flush();
            if (s.size() > kSize) {
                out_.append(s);
                return;
            }
        }
        std::memcpy(buf_ + n_, s.data(), s.size());
        n_ += s.size();
    }

    void Spaces(int count) {
        if (count <= 0) return;
        std::size_t n = static_cast<std::size_t>(count);
        if (n > kSize - n_) {
            Flush();
            if (n > kSize) {
                out_.append(n, ' ');
                return;
            }
        }
        std::memset(buf_ + n_, ' ', n);
        n_ += n;
    }

    // A number right-aligned in `width` characters; a wider number is written whole.
    void RightNumber(std::int64_t value, int width) {
        char digits[24];
        char* end = digits + sizeof digits;
        char* p = end;
        // Digits from the right; the magnitude is taken unsigned so the lowest value works too.
        std::uint64_t v = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
        do {
            *--p = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v != 0);
        if (value < 0) *--p = '-';
        Spaces(width - static_cast<int>(end - p));
        Text(std::string_view(p, static_cast<std::size_t>(end - p)));
    }

    // Left-aligned in `width` characters (class names, codes).
    void LeftChars(std::string_view text, int width) {
        Text(text);
        Spaces(width - CharCount(text));
    }

    // Left-aligned in `width` display columns; a wider text is written whole.
    void LeftWidth(std::string_view text, int width) {
        Text(text);
        Spaces(width - ByteLength(text));
    }

    // Name column: a name wider than `width` is cut to its first `cutChars` characters,
    // then padded to `width` display columns.
    void Name(std::string_view name, int width, int cutChars) {
        int shown = ByteLength(name);
        if (shown > width) {
            std::string cut = quilo::LeftChars(name, cutChars);
            shown = ByteLength(cut);
            Text(cut);
        } else {
            Text(name);
        }
        Spaces(width - shown);
    }

    void HhNnSs(Time t) {
        const DayClock d = TimeOfDay(t);
        TwoDigits(d.h);
        Char(':');
        TwoDigits(d.m);
        Char(':');
        TwoDigits(d.s);
    }

    void HhNn(Time t) {
        const DayClock d = TimeOfDay(t);
        TwoDigits(d.h);
        Char(':');
        TwoDigits(d.m);
    }

    // "h:nn'ss" right-aligned in `width` characters.
    void HNnSs(Time t, int width) {
        const DayClock d = TimeOfDay(t);
        Spaces(width - (d.h >= 10 ? 8 : 7));
        if (d.h >= 10) Char(static_cast<char>('0' + d.h / 10));
        Char(static_cast<char>('0' + d.h % 10));
        Char(':');
        TwoDigits(d.m);
        Char('\'');
        TwoDigits(d.s);
    }

    // The running time text: "h:nn'ss" right-aligned in 7 and a double quote.
    void RunningTime(Time t) {
        HNnSs(t, 7);
        Char('"');
    }

    void Flush() {
        out_.append(buf_, n_);
        n_ = 0;
    }

private:
    void TwoDigits(int v) {
        Char(static_cast<char>('0' + v / 10));
        Char(static_cast<char>('0' + v % 10));
    }

    static constexpr std::size_t kSize = 160;
    std::string& out_;
    char buf_[kSize];
    std::size_t n_ = 0;
};

// The place piece of the lists and the results file: a space and the place in 3, else
// "参考" for a reference result, else four spaces.
inline void PlacePiece(LineWriter& w, const EntryRecord& r) {
    if (r.Place != 0) {
        w.Char(' ');
        w.RightNumber(r.Place, 3);
    } else if (r.Reference) {
        w.Text("参考");
    } else {
        w.Text("    ");
    }
}

} // namespace quilo::parts
