#pragma once
// Warnings about lines of a file the readers cannot take as they stand (the event files
// and the change file alike).
#include <string>
#include <string_view>
#include <vector>

namespace quilo {

// What a reader warns about, as data: blocks of lines in the order found, each shown by
// the station under one warning banner.
using Warnings = std::vector<std::vector<std::string>>;

// Warnings of one kind, each naming its line ("　<file> <n>行目" and the text), up to a
// limit so that a badly broken file cannot bury the rest of the history; the lines
// beyond it are counted in one summary ("　<file> ほか<k>行" and the summary text).
class LineWarnings {
public:
    static constexpr int kShown = 10;

    LineWarnings(Warnings& out, std::string fileName, std::string summary)
        : out_(out), fileName_(std::move(fileName)), summary_(std::move(summary)) {}
    LineWarnings(const LineWarnings&) = delete;
    LineWarnings& operator=(const LineWarnings&) = delete;

    void Warn(int lineNumber, std::string_view text);
    // The summary of the lines that were not named; call once when the reading ends.
    void Finish();
    // Every line warned about so far, named or not (Finish does not reset it).
    int Total() const { return total_; }

private:
    Warnings& out_;
    std::string fileName_;
    std::string summary_;
    int count_ = 0;
    int total_ = 0;
};

// Names each skipped line, up to the limit of LineWarnings, so that a
// badly broken file cannot bury the rest of the history; the lines beyond it are
// counted in one summary.
class SkippedLines {
public:
    static constexpr int kShown = LineWarnings::kShown;

    SkippedLines(Warnings& out, std::string fileName) : lines_(out, std::move(fileName), "を読み飛ばしました") {}

    void Skip(int lineNumber, std::string_view reason);
    // The summary of the lines that were not named; call once when the reading ends.
    void Finish() { lines_.Finish(); }
    // Every line skipped so far, named or not (Finish does not reset it).
    int Total() const { return lines_.Total(); }

private:
    LineWarnings lines_;
};

} // namespace quilo
