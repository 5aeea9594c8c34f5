#include "finish/ChangeFile.h"

#include "core/LineWarnings.h"
#include "core/Numbers.h"
#include "finish/ChangeRecord.h"

#include <vector>

namespace quilo {
namespace {

// The ideographic space and the two ASCII spaces stand in a different order per kind.
constexpr const char* kLeadSpaceFirst = "　  ";  // U+3000, two spaces
constexpr const char* kLeadSpacesFirst = "  　"; // two spaces, U+3000

void WarnCardMismatch(Warnings& warnings, ChangeKind kind) {
    const char* unreadable = kLeadSpacesFirst;
    const char* mismatch = kLeadSpacesFirst;
    if (kind == ChangeKind::Absent || kind == ChangeKind::Late || kind == ChangeKind::HandTime) unreadable = kLeadSpaceFirst;
    else if (kind == ChangeKind::Code) mismatch = kLeadSpaceFirst;
    warnings.push_back(
        {std::string(unreadable) + "変更データが読み込めません", std::string(mismatch) + "（Ｅカード番号不一致）"});
}

// Older files name a card by its number ("1234" for the start list's "01234"): such a
// card text, not in the index, is taken as the one start-list card of that number.
bool ResolveCardByNumber(const Event& ev, std::string& card) {
    if (card.empty() || ev.Cards.Find(card)) return false;
    const auto number = ToWholeNumber(card);
    if (!number) return false;
    int found = -1;
    for (int n = 0; n < ev.Rows(); ++n) {
        if (ToWholeNumber(ev.CardTexts[static_cast<std::size_t>(n)]) != number) continue;
        if (found >= 0) return false; // two cards of that number: neither is sure
        found = n;
    }
    if (found < 0) return false;
    card = ev.CardTexts[static_cast<std::size_t>(found)];
    return true;
}

} // namespace

Result<> SaveChangeRecord(const std::string& path, const std::string& line) { return AppendLineDurable(path, line); }

Result<Warnings> LoadChangeFile(Event& ev, const std::string& path) {
    const Result<std::string> bytes = ReadFileBytes(path);
    if (!bytes) return bytes.Failure();
    return LoadChangeText(ev, *bytes);
}

Warnings LoadChangeText(Event& ev, std::string_view bytes) {
    Warnings warnings;
    const std::vector<std::string> lines = TextLines(bytes);

    SkippedLines skipped(warnings, "Change.dat");
    int byNumber = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto record = ChangeRecord::Parse(lines[i]);
        if (!record) continue;
        bool resolved = ResolveCardByNumber(ev, record->card);
        if (record->kind == ChangeKind::Spare && ResolveCardByNumber(ev, record->value)) resolved = true;
        if (resolved) ++byNumber;
        const ChangeOutcome outcome = ApplyChangeRecord(ev, *record);
        if (outcome == ChangeOutcome::UnknownCard) {
            WarnCardMismatch(warnings, record->kind);
            break;
        }
        if (outcome == ChangeOutcome::BadValue) skipped.Skip(static_cast<int>(i) + 1, "時刻ではありません");
    }
    skipped.Finish();
    if (byNumber > 0)
        warnings.push_back({"　Change.dat の" + std::to_string(byNumber) + "件はＥカードを番号で照合しました",
                            "　（先頭の0のない古い形式の記録です）"});
    return warnings;
}

} // namespace quilo
