#pragma once
// quilo-report: the station's whole job without a window.
#include <iosfwd>
#include <string>
#include <vector>

namespace quilo {

// Runs quilo-report with its arguments (without the program name). Returns the exit
// code: 0 success, 1 an output could not be written, 2 bad usage or no such folder.
int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

extern const char* const kReportUsage;

} // namespace quilo
