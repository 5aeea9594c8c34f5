#pragma once
// quilo-import: its command line and what it prints.
#include <iosfwd>
#include <string>
#include <vector>

namespace quilo {

// Runs quilo-import with its arguments (without the program name). Returns the exit
// code: 0 done, 1 a file could not be written or did not read back as meant, 2 refused
// (nothing written) or bad usage.
int RunImport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

extern const char* const kImportUsage;

} // namespace quilo
