#include "core/TextWidth.h"

#include "core/Cp932.h"

namespace quilo {

int ByteLength(std::string_view text) { return Cp932Length(text); }

int CharCount(std::string_view text) {
    int n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string LeftChars(std::string_view text, int n) {
    std::size_t i = 0;
    int count = 0;
    while (i < text.size()) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (count == n) break;
            ++count;
        }
        ++i;
    }
    return std::string(text.substr(0, i));
}

} // namespace quilo
