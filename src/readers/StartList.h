#pragma once
#include "core/Event.h"
#include "core/Files.h"
#include "core/LineWarnings.h"

#include <string>
#include <string_view>
#include <vector>

namespace quilo {

// What a start list read gave, past the tables it filled.
struct StartListRead {
    Warnings warnings;
    // A row named a class the course file does not define: its warning is the last and
    // reading stopped there.
    bool undefinedClass = false;
    // Rows skipped (each named in the warnings, or counted in their summary).
    int skippedRows = 0;
    // [competitor number]: the file's line (from 0) that row came from.
    std::vector<int> rowLines;
};

// Reads the start list: card index, competitor numbers, slots, start-list fields and
// start ranges.
Result<StartListRead> ReadStartList(Event& ev, const std::string& path);
// The same over the file's bytes in memory.
StartListRead ReadStartListText(Event& ev, std::string_view bytes);

// The start list's bytes with one line (from 0, as the reader counts them) replaced by a
// row, or with a row added as a new last line; every other byte stays as it was. The row
// (UTF-8) is written in the file's own encoding and the new line ends with CR LF.
std::string WithLineReplaced(std::string_view bytes, int line, std::string_view utf8Row);
std::string WithLineAppended(std::string_view bytes, std::string_view utf8Row);

} // namespace quilo
