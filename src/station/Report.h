#pragma once
// quilo-report: the station's whole job without a window.
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace quilo {

class Station;

// What --publish did: whether any target is set, and each target not reached with why.
struct PublishOutcome {
    bool anyTarget = false;
    std::vector<std::string> unreached; // "<target>: <reason>"
};
// Sends the station's results to every target its settings name, waiting at most
// `timeoutSeconds` (the program wires the uploader in; the station knows no network).
using PublishOnce = std::function<PublishOutcome(Station& station, int timeoutSeconds)>;

// Runs quilo-report with its arguments (without the program name). Returns the exit
// code: 0 success, 1 an output could not be written, 2 bad usage or no such folder, 3 a
// target could not be reached (--publish).
int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const PublishOnce& publish = {});

extern const char* const kReportUsage;

} // namespace quilo
