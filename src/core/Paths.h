#pragma once
// The file probe and folder paths.
#include <string>
#include <string_view>

namespace quilo {

bool FileExists(const std::string& path);
// Appends "/" unless the path already ends in "/" or a backslash.
std::string AddBackslash(std::string_view path);

} // namespace quilo
