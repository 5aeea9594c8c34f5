#include "core/Cp932.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <memory>
#include <vector>

namespace quilo {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

struct Tables {
    std::array<char32_t, 256> single{}; // 0 = not a valid single byte
    std::vector<char32_t> dbl;          // [lead * 256 + trail], 0 = invalid pair
    std::vector<std::uint16_t> encode;  // BMP code point -> code, 0 = unmappable
    bool missing = false;               // the system has no CP932 converter
};

char32_t IconvDecode(iconv_t cd, const unsigned char* in, std::size_t len) {
    char32_t out = 0;
    char* ip = const_cast<char*>(reinterpret_cast<const char*>(in));
    char* op = reinterpret_cast<char*>(&out);
    std::size_t il = len, ol = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) || il != 0 || ol != 0) return 0;
    return out;
}

std::uint16_t IconvEncode(iconv_t cd, char32_t cp) {
    unsigned char out[4] = {};
    char* ip = reinterpret_cast<char*>(&cp);
    char* op = reinterpret_cast<char*>(out);
    std::size_t il = sizeof cp, ol = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) || il != 0) return 0;
    std::size_t n = sizeof out - ol;
    if (n == 1) return out[0];
    if (n == 2) return static_cast<std::uint16_t>(out[0] << 8 | out[1]);
    return 0;
}

std::unique_ptr<Tables> BuildTables() {
    auto t = std::make_unique<Tables>();
    t->dbl.assign(256 * 256, 0);
    t->encode.assign(0x10000, 0);

    iconv_t dec = iconv_open("UTF-32LE", "CP932");
    iconv_t enc = iconv_open("CP932", "UTF-32LE");
    if (dec == reinterpret_cast<iconv_t>(-1) || enc == reinterpret_cast<iconv_t>(-1)) {
        // Without a converter nothing decodes: the start-up asks Cp932Ready and stops.
        if (dec != reinterpret_cast<iconv_t>(-1)) iconv_close(dec);
        if (enc != reinterpret_cast<iconv_t>(-1)) iconv_close(enc);
        t->missing = true;
        return t;
    }

    for (int b = 0; b < 0x80; ++b) t->single[b] = static_cast<char32_t>(b);
    for (int b = 0x80; b < 0x100; ++b) {
        if (IsCp932LeadByte(static_cast<unsigned char>(b))) continue;
        unsigned char in = static_cast<unsigned char>(b);
        t->single[b] = IconvDecode(dec, &in, 1);
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsCp932LeadByte(static_cast<unsigned char>(lead))) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            unsigned char in[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
            t->dbl[lead * 256 + trail] = IconvDecode(dec, in, 2);
        }
    }
    // Encode each decodable character the way iconv would (it picks one of the
    // duplicate codes of the extension rows).
    auto mark = [&](char32_t cp) {
        if (cp == 0 || cp > 0xFFFF || t->encode[cp] != 0) return;
        t->encode[cp] = IconvEncode(enc, cp);
    };
    for (int b = 1; b < 0x100; ++b) mark(t->single[b]);
    for (char32_t cp : t->dbl) mark(cp);
    iconv_close(dec);
    iconv_close(enc);
    return t;
}

const Tables& T() {
    static const std::unique_ptr<Tables> tables = BuildTables();
    return *tables;
}

} // namespace

Result<> Cp932Ready() {
    if (T().missing) return Error::Of(Error::Kind::NoCp932Converter);
    return {};
}

namespace {

// Length of the well-formed UTF-8 sequence at s[pos]; 0 when none starts there.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t pos) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char c = at(pos);
    if (c < 0x80) return 1;
    std::size_t n = 0;
    unsigned char low = 0x80, high = 0xBF; // the second byte's range
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) low = 0xA0;  // overlong
        if (c == 0xED) high = 0x9F; // surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) low = 0x90;  // overlong
        if (c == 0xF4) high = 0x8F; // above U+10FFFF
    } else {
        return 0;
    }
    if (s.size() - pos < n || at(pos + 1) < low || at(pos + 1) > high) return 0;
    for (std::size_t i = 2; i < n; ++i)
        if ((at(pos + i) & 0xC0) != 0x80) return 0;
    return n;
}

bool IsAscii(std::string_view bytes) {
    for (char ch : bytes)
        if (static_cast<unsigned char>(ch) >= 0x80) return false;
    return true;
}

} // namespace

bool HasUtf8Bom(std::string_view bytes) { return bytes.starts_with(kUtf8Bom); }

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = Utf8SequenceLength(bytes, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

bool IsValidCp932(std::string_view bytes) {
    const Tables* t = nullptr;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) continue;
        if (!t) t = &T();
        if (!IsCp932LeadByte(b)) {
            if (t->single[b] == 0) return false;
            continue;
        }
        if (i + 1 == bytes.size() || t->dbl[b * 256 + static_cast<unsigned char>(bytes[i + 1])] == 0) return false;
        ++i;
    }
    return true;
}

TextEncoding DetectEncoding(std::string_view bytes) {
    if (HasUtf8Bom(bytes)) return TextEncoding::Utf8;
    // Checked in this order so that plain ASCII, the common case, costs one pass.
    if (IsAscii(bytes) || !IsValidUtf8(bytes) || IsValidCp932(bytes)) return TextEncoding::Cp932;
    return TextEncoding::Utf8;
}

std::string ValidUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = Utf8SequenceLength(bytes, i);
        if (n == 0) {
            AppendUtf8(out, kReplacement);
            ++i;
        } else {
            out.append(bytes.substr(i, n));
            i += n;
        }
    }
    return out;
}

char32_t NextCodePoint(std::string_view s, std::size_t& pos) {
    unsigned char c = static_cast<unsigned char>(s[pos]);
    if (c < 0x80) {
        ++pos;
        return c;
    }
    int extra;
    char32_t cp;
    if ((c & 0xE0) == 0xC0) {
        extra = 1;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        extra = 2;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        extra = 3;
        cp = c & 0x07;
    } else {
        ++pos;
        return kReplacement;
    }
    if (pos + extra >= s.size()) {
        ++pos;
        return kReplacement;
    }
    for (int i = 1; i <= extra; ++i) {
        unsigned char cc = static_cast<unsigned char>(s[pos + i]);
        if ((cc & 0xC0) != 0x80) {
            ++pos;
            return kReplacement;
        }
        cp = (cp << 6) | (cc & 0x3F);
    }
    pos += extra + 1;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string Cp932ToUtf8(std::string_view bytes) {
    // Plain ASCII is the common case (numbers, times, separators): copy it as is.
    std::size_t i = 0;
    while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80) ++i;
    std::string out(bytes.substr(0, i));
    if (i == bytes.size()) return out;
    const Tables& t = T();
    out.reserve(bytes.size() * 3 / 2);
    while (i < bytes.size()) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        if (IsCp932LeadByte(b) && i + 1 < bytes.size()) {
            char32_t cp = t.dbl[b * 256 + static_cast<unsigned char>(bytes[i + 1])];
            if (cp != 0) {
                AppendUtf8(out, cp);
                i += 2;
                continue;
            }
        }
        // An invalid lead byte must not swallow the byte after it (it may be a separator).
        char32_t cp = IsCp932LeadByte(b) ? 0 : t.single[b];
        AppendUtf8(out, cp != 0 ? cp : kReplacement);
        ++i;
    }
    return out;
}

std::string Utf8ToCp932(std::string_view utf8) {
    std::size_t i = 0;
    while (i < utf8.size() && static_cast<unsigned char>(utf8[i]) < 0x80) ++i;
    std::string out(utf8.substr(0, i));
    if (i == utf8.size()) return out;
    const Tables& t = T();
    while (i < utf8.size()) {
        char32_t cp = NextCodePoint(utf8, i);
        std::uint16_t code = cp < 0x80 ? static_cast<std::uint16_t>(cp) : (cp <= 0xFFFF ? t.encode[cp] : 0);
        if (cp >= 0x80 && code == 0) out += '?';
        else if (code > 0xFF) {
            out += static_cast<char>(code >> 8);
            out += static_cast<char>(code & 0xFF);
        } else out += static_cast<char>(code);
    }
    return out;
}

int Cp932Length(std::string_view utf8) {
    int n = 0;
    std::size_t i = 0;
    const Tables* t = nullptr;
    while (i < utf8.size()) {
        unsigned char b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            ++n;
            ++i;
            continue;
        }
        if (!t) t = &T();
        char32_t cp = NextCodePoint(utf8, i);
        std::uint16_t code = cp <= 0xFFFF ? t->encode[cp] : 0;
        n += code > 0xFF ? 2 : 1;
    }
    return n;
}

} // namespace quilo
