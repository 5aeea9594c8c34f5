#pragma once
#include "core/Event.h"
#include "core/Files.h"
#include "core/History.h"

#include <string>
#include <string_view>

namespace quilo {

// What a start list read gave, past its file.
struct StartListRead {
    // A row named a class the course file does not define: its three warning lines are
    // in the history and reading stopped there.
    bool undefinedClass = false;
    // Rows skipped (each named in the history, or counted in its summary).
    int skippedRows = 0;
};

// Reads the start list: card index, competitor numbers, slots, start-list fields and
// start ranges.
Result<StartListRead> ReadStartList(Event& ev, const std::string& path, History& history);
// The same over the file's bytes in memory; true when a row named an undefined class.
// The rows skipped are counted into `skippedRows` when given.
bool ReadStartListText(Event& ev, std::string_view bytes, History& history, int* skippedRows = nullptr);

} // namespace quilo
