#pragma once
#include "core/Event.h"
#include "core/Files.h"
#include "core/LineWarnings.h"

#include <string>
#include <string_view>

namespace quilo {

// Appends one change record line and has it on stable storage before returning.
Result<> SaveChangeRecord(const std::string& path, const std::string& line);

// Replays every record of the change file onto the tables, in file order. An unknown
// card ends the replay with the warning of its kind; the warnings are the value.
Result<Warnings> LoadChangeFile(Event& ev, const std::string& path);
// The same replay over the file's bytes in memory.
Warnings LoadChangeText(Event& ev, std::string_view bytes);

} // namespace quilo
