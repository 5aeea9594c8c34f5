#pragma once
// Event files come in CP932, or in UTF-8 from an editor nobody told otherwise. Both are
// read; UTF-8 is named in the history, since Quilo's own files stay CP932.
#include "core/History.h"

#include <string>
#include <string_view>
#include <vector>

namespace quilo {

// The lines of a file's bytes in the encoding DetectEncoding finds; a UTF-8 file gets
// WarnReadAsUtf8 first.
std::vector<std::string> EventFileLines(std::string_view bytes, std::string_view fileName, History& history);
// One warning naming a file read as UTF-8.
void WarnReadAsUtf8(History& history, std::string_view fileName);

} // namespace quilo
