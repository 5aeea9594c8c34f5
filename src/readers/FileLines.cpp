#include "readers/FileLines.h"

#include "core/Cp932.h"
#include "core/Files.h"

namespace quilo {

std::vector<std::string> EventFileLines(std::string_view bytes, std::string_view fileName, Warnings& warnings) {
    const TextEncoding encoding = DetectEncoding(bytes);
    if (encoding == TextEncoding::Utf8) warnings.push_back(ReadAsUtf8Warning(fileName));
    return TextLines(bytes, encoding);
}

std::vector<std::string> ReadAsUtf8Warning(std::string_view fileName) {
    return {"　" + std::string(fileName) + " は UTF-8 で書かれています（UTF-8 として読みました）",
            "　Quilo が書き込むファイルは CP932（Shift_JIS）です"};
}

} // namespace quilo
