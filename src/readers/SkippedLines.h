#pragma once
// Warnings for lines a reader skips because the file format has no rule for them.
#include "core/History.h"

#include <string>
#include <string_view>

namespace quilo {

// Names each skipped line in the history, up to a limit, so that a badly broken file
// cannot bury the rest of the history; the lines beyond it are counted in one summary.
class SkippedLines {
public:
    static constexpr int kShown = 10;

    SkippedLines(History& history, std::string fileName) : history_(history), fileName_(std::move(fileName)) {}
    SkippedLines(const SkippedLines&) = delete;
    SkippedLines& operator=(const SkippedLines&) = delete;

    void Skip(int lineNumber, std::string_view reason);
    // The summary of the lines that were not named; call once when the reading ends.
    void Finish();
    // Every line skipped so far, named or not (Finish does not reset it).
    int Total() const { return total_; }

private:
    History& history_;
    std::string fileName_;
    int count_ = 0;
    int total_ = 0;
};

} // namespace quilo
