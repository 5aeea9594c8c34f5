#pragma once
#include "core/Event.h"
#include "core/Files.h"
#include "core/History.h"

#include <string>
#include <string_view>

namespace quilo {

// Appends one change record line and has it on stable storage before returning.
Result<> SaveChangeRecord(const std::string& path, const std::string& line);

// Replays every record of the change file onto the tables, in file order. An unknown
// card ends the replay with the warning lines of its kind.
Result<> LoadChangeFile(Event& ev, const std::string& path, History& history);
// The same replay over the file's bytes in memory.
void LoadChangeText(Event& ev, std::string_view bytes, History& history);

} // namespace quilo
