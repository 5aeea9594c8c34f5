#pragma once
#include "core/Event.h"
#include "core/History.h"

#include <string>

namespace quilo {

// Reads the start list: card index, competitor numbers, slots, start-list fields and
// start ranges. Returns false when a row names a class the course file does not define
// (its three warning lines are then in the history and reading stopped there).
bool ReadStartList(Event& ev, const std::string& path, History& history);

} // namespace quilo
