#include "core/Kana.h"

#include "core/Cp932.h"

namespace quilo {

namespace {

// Half-width katakana U+FF61..U+FF9F to full-width.
constexpr char32_t kKana[] = {0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9,
                              0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB,
                              0x30AD, 0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1,
                              0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5,
                              0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9,
                              0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C};

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
                if (next == 0xFF9E && TakesDakuten(k)) {
                    k = (k == 0x30A6) ? 0x30F4 : k + 1;
                    i = j;
                } else if (next == 0xFF9F && k >= 0x30CF && k <= 0x30DB && (k - 0x30CF) % 3 == 0) {
                    k += 2;
                    i = j;
                }
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

} // namespace quilo
