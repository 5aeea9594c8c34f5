#pragma once
#include "core/Event.h"
#include "core/Files.h"
#include "core/LineWarnings.h"

#include <string>
#include <string_view>

namespace quilo {

// Reads the course file into ClassNames, CourseControls, ControlCount and LastClassIndex
// (the last class read; -1 when the file defines no class or cannot be read). Lines the
// format has no rule for are skipped with a warning (the value).
Result<Warnings> ReadCourseFile(Event& ev, const std::string& path);
// The same over the file's bytes in memory (CP932 or UTF-8, any line ends).
Warnings ReadCourseText(Event& ev, std::string_view bytes);

} // namespace quilo
