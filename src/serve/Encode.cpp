#include "serve/Encode.h"

#include <charconv>
#include <zlib.h>

namespace quilo::serve {

std::string Gzip(std::string_view text, int level) {
    z_stream z{};
    // 16 over the window bits asks for the gzip wrapper rather than zlib's.
    if (deflateInit2(&z, level, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
    // The bound holds the whole stream, so one call finishes it.
    std::string out(deflateBound(&z, static_cast<uLong>(text.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&z, Z_FINISH);
    out.resize(rc == Z_STREAM_END ? z.total_out : 0);
    deflateEnd(&z);
    return out;
}

DeflatePiece Deflate(std::string_view text, int level) {
    DeflatePiece piece;
    piece.size = text.size();
    piece.crc =
        static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
    z_stream z{};
    // Negative window bits: raw deflate, the wrapper being JoinGzip's.
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return piece;
    // The bound and the flush's empty stored block (5 bytes) and its bits before.
    piece.bytes.resize(deflateBound(&z, static_cast<uLong>(text.size())) + 16);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = reinterpret_cast<Bytef*>(piece.bytes.data());
    z.avail_out = static_cast<uInt>(piece.bytes.size());
    deflate(&z, Z_SYNC_FLUSH);
    piece.bytes.resize(z.total_out);
    deflateEnd(&z);
    return piece;
}

std::string JoinGzip(const DeflatePiece* const* pieces, std::size_t count) {
    // The gzip header: magic, deflate, no flags, no time, no extra flags, unknown OS.
    std::string out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\xff", 10);
    uLong crc = crc32(0, nullptr, 0);
    std::uint64_t size = 0;
    for (std::size_t i = 0; i < count; ++i) {
        out += pieces[i]->bytes;
        crc = crc32_combine(crc, pieces[i]->crc, static_cast<z_off_t>(pieces[i]->size));
        size += pieces[i]->size;
    }
    // An empty last block of fixed codes: the bits 1 (last), 01 (fixed), then the end
    // code 0000000, in two bytes.
    out += '\x03';
    out += '\x00';
    for (const std::uint64_t v : {static_cast<std::uint64_t>(crc), size})
        for (int b = 0; b < 4; ++b) out += static_cast<char>(v >> (8 * b) & 0xFF);
    return out;
}

void AppendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char ch : text) {
        const auto u = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (u < 0x20 || u == 0x7F) {
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 0xF];
        } else {
            out += ch;
        }
    }
    out += '"';
}

void AppendDecimal(std::string& out, std::int64_t value) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

} // namespace quilo::serve
