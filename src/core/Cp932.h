#pragma once
// Windows-932 (Shift_JIS) <-> UTF-8. Tables are built once from glibc iconv, then
// conversion is a table walk: an invalid byte becomes U+FFFD and never stops a read,
// and a character the code page cannot hold becomes "?" (one byte).
#include <string>
#include <string_view>

namespace quilo {

std::string Cp932ToUtf8(std::string_view bytes);
std::string Utf8ToCp932(std::string_view utf8);

// Bytes the text takes in code page 932 (display width: full-width counts 2).
int Cp932Length(std::string_view utf8);

// True when byte b starts a two-byte character in code page 932.
inline bool IsCp932LeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Decodes one UTF-8 code point at text[pos], advancing pos; malformed input gives U+FFFD.
char32_t NextCodePoint(std::string_view text, std::size_t& pos);
void AppendUtf8(std::string& out, char32_t cp);

} // namespace quilo
