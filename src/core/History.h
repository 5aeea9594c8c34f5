#pragma once
// The operation history: lines with item data, each marked with whether the
// keep-visible step follows it (where the window scrolls to is the window's business).
#include "core/Time.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quilo {

// itemData is the competitor's E-card number (0 for other lines), as printed by
// quilo-report; competitor is the competitor number the window's dialogs open on (-1:
// none). Cards are looked up by their text ("01234"), which a number cannot give back.
struct ListLine {
    std::string text;
    int itemData = 0;
    int competitor = -1;
    bool operator==(const ListLine&) const = default;
};

struct HistoryLine {
    std::string text;
    int itemData = 0;
    bool keepVisible = false; // the keep-visible step follows this line
    int competitor = -1;
};

using Clock = std::function<Time()>; // current time of day, whole seconds
Clock SystemClock();

class History {
public:
    static constexpr const char* kWarning = "【警告】*******************";

    explicit History(Clock clock) : clock_(std::move(clock)) {}

    // A report line: "hh:nn" of the clock, then the text (which begins with a space).
    void Report(const std::string& text, int itemData = 0, bool keepVisible = true);
    // A report line about one competitor (a correction).
    void ReportFor(const std::string& text, int itemData, int competitor);
    // A line without time prefix.
    void AddPlain(const std::string& text, int itemData = 0);
    // The keep-visible step after the lines added so far.
    void KeepVisible();
    // The warning line followed by the given lines, then the keep-visible step.
    void Warning(const std::vector<std::string>& lines);
    // The first `count` lines of another history (all by default), each followed by its
    // keep-visible step as there.
    void Append(const History& other, std::size_t count = SIZE_MAX);

    const std::vector<HistoryLine>& Lines() const { return lines_; }
    int Count() const { return static_cast<int>(lines_.size()); }
    std::vector<std::string> Texts() const;

    // Called after every change (lines added or the keep-visible step).
    void SetObserver(std::function<void()> observer) { observer_ = std::move(observer); }
    const std::function<void()>& Observer() const { return observer_; }
    // Drops the lines after the first `count` (work done again that must not say so twice).
    void Truncate(std::size_t count);

private:
    void Changed() {
        if (observer_) observer_();
    }
    Clock clock_;
    std::vector<HistoryLine> lines_;
    std::function<void()> observer_;
};

} // namespace quilo
