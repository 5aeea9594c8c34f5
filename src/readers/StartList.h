#pragma once
#include "core/Event.h"
#include "core/Files.h"
#include "core/LineWarnings.h"

#include <string>
#include <string_view>

namespace quilo {

// What a start list read gave, past the tables it filled.
struct StartListRead {
    Warnings warnings;
    // A row named a class the course file does not define: its warning is the last and
    // reading stopped there.
    bool undefinedClass = false;
    // Rows skipped (each named in the warnings, or counted in their summary).
    int skippedRows = 0;
};

// Reads the start list: card index, competitor numbers, slots, start-list fields and
// start ranges.
Result<StartListRead> ReadStartList(Event& ev, const std::string& path);
// The same over the file's bytes in memory.
StartListRead ReadStartListText(Event& ev, std::string_view bytes);

} // namespace quilo
