#include "core/LineWarnings.h"

namespace quilo {

void LineWarnings::Warn(int lineNumber, std::string_view text) {
    ++count_;
    ++total_;
    if (count_ > kShown) return;
    std::string line = "　" + fileName_ + " " + std::to_string(lineNumber) + "行目";
    line += text;
    out_.push_back({line});
}

void LineWarnings::Finish() {
    if (count_ > kShown) out_.push_back({"　" + fileName_ + " ほか" + std::to_string(count_ - kShown) + "行" + summary_});
    count_ = 0;
}

void SkippedLines::Skip(int lineNumber, std::string_view reason) {
    std::string text = "を読み飛ばしました（";
    text += reason;
    text += "）";
    lines_.Warn(lineNumber, text);
}

} // namespace quilo
