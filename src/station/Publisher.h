#pragma once
// Keeps the published files fresh on a live station: after every refresh, the results
// file, the not-returned file, the IOF XML lists and the HTML page are written again when
// what they show changed. A failure never opens a message box (it would stop the
// station): it is a warning in the history, once, until the file is written again.
#include "station/Station.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quilo {

class Publisher {
public:
    // Publishes the station's latest results at once, then after every refresh.
    explicit Publisher(Station& station);
    // How many files were written by the last publish (tests).
    int LastWritten() const { return lastWritten_; }

private:
    struct Output {
        std::string path;
        std::optional<std::uint64_t> serial; // of the snapshot last written
        std::optional<std::string> bytes;    // as last written, when known (the text files)
        bool failed = false;
    };
    void Publish(const ResultsSnapshot& snap);
    void Write(Output& out, const std::string& path, std::uint64_t serial, bool keepBytes,
               const std::function<std::string()>& build);

    Station& station_;
    std::array<Output, 5> outputs_;
    int lastWritten_ = 0;
    Subscription subscription_;
};

} // namespace quilo
