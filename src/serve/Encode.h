#pragma once
// Byte work the site and the answers share: gzip and JSON text.
#include <cstdint>
#include <string>
#include <string_view>

namespace quilo::serve {

// `text` as a gzip stream at zlib's `level`; empty when zlib refuses (an unknown level).
std::string Gzip(std::string_view text, int level);

// `text` as a JSON string, quotes included: quote, backslash and the control characters
// escaped (those as \u00XX), everything else as it is (the snapshot's text is UTF-8).
void AppendJsonString(std::string& out, std::string_view text);
void AppendDecimal(std::string& out, std::int64_t value);

} // namespace quilo::serve
