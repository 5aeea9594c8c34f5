#pragma once
// Plain string padding, the reference the tests hold the stack-buffered line writer to.
#include "core/TextWidth.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quilo::test {

// By characters (numbers, codes, class names); a wider text is kept whole.
inline std::string PadLeft(std::string_view text, int width) {
    const int n = CharCount(text);
    std::string out;
    if (n < width) out.assign(static_cast<std::size_t>(width - n), ' ');
    out += text;
    return out;
}

inline std::string PadRight(std::string_view text, int width) {
    std::string out(text);
    const int n = CharCount(text);
    if (n < width) out.append(static_cast<std::size_t>(width - n), ' ');
    return out;
}

// By display width.
inline std::string PadRightWidth(std::string_view text, int width) {
    std::string out(text);
    const int n = ByteLength(text);
    if (n < width) out.append(static_cast<std::size_t>(width - n), ' ');
    return out;
}

inline std::string RightNumber(std::int64_t value, int width) { return PadLeft(std::to_string(value), width); }

} // namespace quilo::test
