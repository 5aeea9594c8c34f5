#pragma once
#include "core/Event.h"
#include "core/History.h"

#include <string>

namespace quilo {

// Reads the course file into ClassNames, CourseControls and ControlCount. Returns the
// index of the last class read, or -1 when the file defines no class. Lines the format
// has no rule for are skipped with a warning in the history.
int ReadCourseFile(Event& ev, const std::string& path, History& history);

} // namespace quilo
