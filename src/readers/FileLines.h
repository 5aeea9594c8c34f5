#pragma once
// Event files come in CP932, or in UTF-8 from an editor nobody told otherwise. Both are
// read; UTF-8 is named in the history, since Quilo's own files stay CP932.
#include "core/LineWarnings.h"

#include <string>
#include <string_view>
#include <vector>

namespace quilo {

// The lines of a file's bytes in the encoding DetectEncoding finds; a UTF-8 file gets
// ReadAsUtf8Warning first.
std::vector<std::string> EventFileLines(std::string_view bytes, std::string_view fileName, Warnings& warnings);
// The warning naming a file read as UTF-8.
std::vector<std::string> ReadAsUtf8Warning(std::string_view fileName);

} // namespace quilo
