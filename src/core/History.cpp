#include "core/History.h"

#include <ctime>

namespace quilo {

Clock SystemClock() {
    return [] {
        std::time_t t = std::time(nullptr);
        std::tm tm{};
        localtime_r(&t, &tm);
        return Time::Hms(tm.tm_hour, tm.tm_min, tm.tm_sec);
    };
}

void History::Report(const std::string& text, int itemData, bool keepVisible) {
    lines_.push_back({FormatHhNn(clock_()) + text, itemData, false});
    if (keepVisible) KeepVisible();
    else Changed();
}

void History::ReportFor(const std::string& text, int itemData, int competitor) {
    lines_.push_back({FormatHhNn(clock_()) + text, itemData, false, competitor});
    KeepVisible();
}

void History::AddPlain(const std::string& text, int itemData) {
    lines_.push_back({text, itemData, false});
    Changed();
}

void History::KeepVisible() {
    if (!lines_.empty()) lines_.back().keepVisible = true;
    Changed();
}

void History::Warning(const std::vector<std::string>& lines) {
    lines_.push_back({kWarning, 0, false});
    for (const auto& l : lines) lines_.push_back({l, 0, false});
    KeepVisible();
}

void History::Append(const History& other, std::size_t count) {
    for (const HistoryLine& line : other.lines_) {
        if (count-- == 0) break;
        lines_.push_back({line.text, line.itemData, false, line.competitor});
        if (line.keepVisible) KeepVisible();
    }
    Changed();
}

std::vector<std::string> History::Texts() const {
    std::vector<std::string> out;
    out.reserve(lines_.size());
    for (const auto& l : lines_) out.push_back(l.text);
    return out;
}

void History::Truncate(std::size_t count) {
    if (count >= lines_.size()) return;
    lines_.resize(count);
    Changed();
}

} // namespace quilo
