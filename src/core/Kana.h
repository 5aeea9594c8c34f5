#pragma once
// Width and letter-case folding of UTF-8 text: half-width and full-width forms.
#include <string>
#include <string_view>

namespace quilo {

// Half-width to full-width characters (letters, digits, signs, space, katakana).
std::string ToFullWidth(std::string_view text);
// What an input method types, as the change file and the results keep it: full-width
// signs, letters and digits (U+FF01-U+FF5E) and the ideographic space in ASCII.
std::string HalfWidthText(std::string_view text);
// Full-width digits, colon and minus signs (U+FF0D, U+2212) in ASCII; the rest as is.
std::string HalfWidthNumber(std::string_view text);
// Upper case of ASCII and full-width Latin letters.
std::string ToUpper(std::string_view text);

} // namespace quilo
