#pragma once
// Runs quilo-report's main logic in process and keeps what it printed.
#include "station/Report.h"

#include <sstream>
#include <string>
#include <vector>

namespace quilo::test {

struct ReportRun {
    int code;
    std::string out, err;
};

inline ReportRun Report(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int code = RunReport(args, out, err);
    return {code, out.str(), err.str()};
}

} // namespace quilo::test
