#pragma once
// Lengths of a UTF-8 text: in characters (a Japanese character counts as one) and in
// display columns (its bytes in code page 932).
#include <string>
#include <string_view>

namespace quilo {

int ByteLength(std::string_view text);
// Characters of a UTF-8 text, and its first n characters.
int CharCount(std::string_view text);
std::string LeftChars(std::string_view text, int n);

} // namespace quilo
