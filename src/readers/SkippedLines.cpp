#include "readers/SkippedLines.h"

namespace quilo {

void SkippedLines::Skip(int lineNumber, std::string_view reason) {
    ++count_;
    ++total_;
    if (count_ > kShown) return;
    std::string line = "　" + fileName_ + " " + std::to_string(lineNumber) + "行目を読み飛ばしました（";
    line += reason;
    line += "）";
    history_.Warning({line});
}

void SkippedLines::Finish() {
    if (count_ > kShown)
        history_.Warning({"　" + fileName_ + " ほか" + std::to_string(count_ - kShown) + "行を読み飛ばしました"});
    count_ = 0;
}

} // namespace quilo
