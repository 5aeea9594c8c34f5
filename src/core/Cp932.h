#pragma once
// Windows-932 (Shift_JIS) <-> UTF-8. Tables are built once from glibc iconv, then
// conversion is a table walk: an invalid byte becomes U+FFFD and never stops a read,
// and a character the code page cannot hold becomes "?" (one byte).
#include "core/Result.h"

#include <string>
#include <string_view>

namespace quilo {

// Builds the tables; an error when the system has no converter to build them from (every
// byte would then read as U+FFFD and every character write as "?").
Result<> Cp932Ready();

std::string Cp932ToUtf8(std::string_view bytes);
std::string Utf8ToCp932(std::string_view utf8);

// Bytes the text takes in code page 932 (display width: full-width counts 2).
int Cp932Length(std::string_view utf8);

// True when byte b starts a two-byte character in code page 932.
inline bool IsCp932LeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// How a text file's bytes are read: UTF-8 only when the bytes leave no doubt, a byte
// order mark or valid UTF-8 beyond ASCII that is no valid CP932. Short Japanese UTF-8
// is often valid CP932 too; such a file reads as CP932, as it always did.
enum class TextEncoding { Cp932, Utf8 };
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
TextEncoding DetectEncoding(std::string_view bytes);
bool HasUtf8Bom(std::string_view bytes);
// Every byte decodes to a character of code page 932 (no U+FFFD from Cp932ToUtf8).
bool IsValidCp932(std::string_view bytes);
// Well-formed UTF-8: no overlong form, no surrogate, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);
// The text with each byte of an ill-formed sequence replaced by U+FFFD.
std::string ValidUtf8(std::string_view bytes);

// Decodes one UTF-8 code point at text[pos], advancing pos; malformed input gives U+FFFD.
char32_t NextCodePoint(std::string_view text, std::size_t& pos);
void AppendUtf8(std::string& out, char32_t cp);

} // namespace quilo
