#pragma once
// Byte work the site and the answers share: gzip and JSON text.
#include <cstdint>
#include <string>
#include <string_view>

namespace quilo::serve {

// `text` as a gzip stream at zlib's `level`; empty when zlib refuses (an unknown level).
std::string Gzip(std::string_view text, int level);

// A piece of a gzip stream made apart from the others: raw deflate ending on a byte
// boundary (a sync flush), so that pieces made at different times join into one stream
// without compressing again what they hold.
struct DeflatePiece {
    std::string bytes;
    std::uint32_t crc = 0;  // of the text
    std::uint64_t size = 0; // of the text
};
DeflatePiece Deflate(std::string_view text, int level);
// The pieces in order as one gzip stream (closed by an empty last block).
std::string JoinGzip(const DeflatePiece* const* pieces, std::size_t count);

// `text` as a JSON string, quotes included: quote, backslash and the control characters
// escaped (those as \u00XX), everything else as it is (the snapshot's text is UTF-8).
void AppendJsonString(std::string& out, std::string_view text);
void AppendDecimal(std::string& out, std::int64_t value);

} // namespace quilo::serve
