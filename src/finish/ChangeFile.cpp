#include "finish/ChangeFile.h"

#include "finish/ChangeRecord.h"
#include "readers/SkippedLines.h"

#include <vector>

namespace quilo {
namespace {

// The ideographic space and the two ASCII spaces stand in a different order per kind.
constexpr const char* kLeadSpaceFirst = "　  ";  // U+3000, two spaces
constexpr const char* kLeadSpacesFirst = "  　";  // two spaces, U+3000

void WarnCardMismatch(History& history, ChangeKind kind) {
    const char* unreadable = kLeadSpacesFirst;
    const char* mismatch = kLeadSpacesFirst;
    if (kind == ChangeKind::Absent || kind == ChangeKind::Late || kind == ChangeKind::HandTime) unreadable = kLeadSpaceFirst;
    else if (kind == ChangeKind::Code) mismatch = kLeadSpaceFirst;
    history.Warning({std::string(unreadable) + "変更データが読み込めません", std::string(mismatch) + "（Ｅカード番号不一致）"});
}

} // namespace

IoResult SaveChangeRecord(const std::string& path, const std::string& line) { return AppendLineDurable(path, line); }

IoResult LoadChangeFile(Event& ev, const std::string& path, History& history) {
    std::string bytes;
    if (IoResult r = ReadFileBytes(path, bytes); !r) return r;
    LoadChangeText(ev, bytes, history);
    return IoResult::Ok(path);
}

void LoadChangeText(Event& ev, std::string_view bytes, History& history) {
    const std::vector<std::string> lines = TextLines(bytes);

    SkippedLines skipped(history, "Change.dat");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto record = ChangeRecord::Parse(lines[i]);
        if (!record) continue;
        const ChangeOutcome outcome = ApplyChangeRecord(ev, *record);
        if (outcome == ChangeOutcome::UnknownCard) {
            WarnCardMismatch(history, record->kind);
            break;
        }
        if (outcome == ChangeOutcome::BadValue) skipped.Skip(static_cast<int>(i) + 1, "時刻ではありません");
    }
    skipped.Finish();
}

} // namespace quilo
