#pragma once
// Appending the fixed-column pieces of list and file lines into one string. A refresh
// builds thousands of lines, so these write straight into the line without temporaries
// or snprintf; the time forms match FormatHhNnSs, FormatHhNn and FormatHNnSs.
#include "core/General.h"
#include "core/Time.h"

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace quilo::parts {

inline void Spaces(std::string& out, int n) {
    if (n > 0) out.append(static_cast<std::size_t>(n), ' ');
}

// A number right-aligned in `width` characters; a wider number is written whole.
inline void RightNumber(std::string& out, std::int64_t value, int width) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    int len = static_cast<int>(res.ptr - buf);
    Spaces(out, width - len);
    out.append(buf, res.ptr);
}

// Left-aligned in `width` characters (class names, codes).
inline void LeftChars(std::string& out, std::string_view text, int width) {
    out += text;
    Spaces(out, width - CharCount(text));
}

// Right-aligned in `width` characters (times).
inline void RightChars(std::string& out, std::string_view text, int width) {
    Spaces(out, width - CharCount(text));
    out += text;
}

// Left-aligned in `width` display columns; a wider text is written whole.
inline void LeftWidth(std::string& out, std::string_view text, int width) {
    out += text;
    Spaces(out, width - ByteLength(text));
}

// Name column: a name wider than `width` is cut to its first `cutChars` characters,
// then padded to `width` display columns.
inline void Name(std::string& out, std::string_view name, int width, int cutChars) {
    if (ByteLength(name) > width) {
        std::string cut = quilo::LeftChars(name, cutChars);
        LeftWidth(out, cut, width);
    } else {
        LeftWidth(out, name, width);
    }
}

struct DayClock {
    int h, m, s;
};

// The hour of the day, as the core formats show it.
inline DayClock Split(Time t) {
    std::int64_t s = t.Seconds() % 86400;
    if (s < 0) s += 86400;
    return {static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60), static_cast<int>(s % 60)};
}

inline void TwoDigits(std::string& out, int v) {
    out += static_cast<char>('0' + v / 10);
    out += static_cast<char>('0' + v % 10);
}

inline void HhNnSs(std::string& out, Time t) {
    DayClock d = Split(t);
    TwoDigits(out, d.h);
    out += ':';
    TwoDigits(out, d.m);
    out += ':';
    TwoDigits(out, d.s);
}

inline void HhNn(std::string& out, Time t) {
    DayClock d = Split(t);
    TwoDigits(out, d.h);
    out += ':';
    TwoDigits(out, d.m);
}

// "h:nn'ss" right-aligned in `width` characters.
inline void HNnSs(std::string& out, Time t, int width) {
    DayClock d = Split(t);
    Spaces(out, width - (d.h >= 10 ? 8 : 7));
    if (d.h >= 10) out += static_cast<char>('0' + d.h / 10);
    out += static_cast<char>('0' + d.h % 10);
    out += ':';
    TwoDigits(out, d.m);
    out += '\'';
    TwoDigits(out, d.s);
}

} // namespace quilo::parts
