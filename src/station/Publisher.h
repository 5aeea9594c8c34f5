#pragma once
// Keeps the published files fresh on a live station: after every read, correction and
// refresh, the results file, the not-returned file, the IOF XML list and the HTML page
// are written again when their bytes would change. A failure never opens a message
// box (it would stop the station): it is a warning in the history, once, until the
// file is written again.
#include "station/Station.h"

#include <array>
#include <optional>
#include <string>
#include <utility>

namespace quilo {

class Publisher {
public:
    explicit Publisher(Station& station) : station_(station) {}
    void Publish();
    // How many files were written by the last Publish (tests).
    int LastWritten() const { return lastWritten_; }

private:
    struct Output {
        std::string path;
        std::string bytes;  // as last written
        bool failed = false;
        std::optional<std::pair<LocalDate, Time>> stamp;  // the exports' moment, as last written
    };
    void Write(Output& out, const std::string& path, const std::string& bytes);

    Station& station_;
    std::array<Output, 4> outputs_;
    int lastWritten_ = 0;
};

} // namespace quilo
