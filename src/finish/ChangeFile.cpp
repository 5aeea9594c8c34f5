#include "finish/ChangeFile.h"

#include "core/General.h"
#include "readers/SkippedLines.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

namespace quilo {
namespace {

enum class Kind { Absent, Late, Ok, Ng, Cancel, Reference, Official, Spare };

struct KindName {
    const char* text;
    Kind kind;
};

constexpr std::array<KindName, 8> kKinds{{
    {"欠席", Kind::Absent},
    {"遅刻", Kind::Late},
    {"ＯＫ", Kind::Ok},
    {"ＮＧ", Kind::Ng},
    {"取消", Kind::Cancel},
    {"参考", Kind::Reference},
    {"公式", Kind::Official},
    {"予備", Kind::Spare},
}};

// The ideographic space and the two ASCII spaces stand in a different order per kind.
constexpr const char* kLeadSpaceFirst = "　  ";  // U+3000, two spaces
constexpr const char* kLeadSpacesFirst = "  　";  // two spaces, U+3000

void WarnCardMismatch(History& history, Kind kind) {
    const char* unreadable = kLeadSpacesFirst;
    const char* mismatch = kLeadSpacesFirst;
    if (kind == Kind::Absent || kind == Kind::Late || kind == Kind::Ok) unreadable = kLeadSpaceFirst;
    else if (kind == Kind::Ng) mismatch = kLeadSpaceFirst;
    history.Warning({std::string(unreadable) + "変更データが読み込めません", std::string(mismatch) + "（Ｅカード番号不一致）"});
}

// The record of the competitor a card leads to; null when the card is no key, or leads
// to a spare card that nobody has taken (such a row has no record).
EntryRecord* RecordOf(Event& ev, const std::string& card) {
    auto n = ev.Cards.Find(card);
    return n ? ev.EntryOf(*n) : nullptr;
}

void SetManualFields(EntryRecord& e, std::string status, std::string manual, Time running, Time manualTime, Time late) {
    e.Status = std::move(status);
    e.ManualStatus = std::move(manual);
    e.RunningTime = running;
    e.ManualTime = manualTime;
    e.LateAddition = late;
}

} // namespace

IoResult SaveChangeRecord(const std::string& path, const std::string& line) { return AppendLineDurable(path, line); }

void LoadChangeFile(Event& ev, const std::string& path, History& history) {
    std::vector<std::string> lines;
    if (!ReadTextLines(path, lines)) return;

    SkippedLines skipped(history, "Change.dat");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.find('/') == std::string::npos) continue;
        const std::string kindText = GetField(line, 1, "/");
        const std::string data = GetField(line, 2, "/");
        auto known = std::find_if(kKinds.begin(), kKinds.end(), [&](const KindName& k) { return kindText == k.text; });
        if (known == kKinds.end()) continue;
        const Kind kind = known->kind;
        const std::string card = GetField(data, 1, ",");
        const std::string value = GetField(data, 2, ",");

        if (kind == Kind::Spare) {
            // Both numbers are checked before the index changes, so a bad record cannot
            // take away the spare card's key.
            const std::string& spare = card;
            const std::string& user = value;
            auto userNumber = ev.Cards.Find(user);
            if (!ev.Cards.Find(spare) || !userNumber || !ev.EntryOf(*userNumber)) {
                WarnCardMismatch(history, kind);
                break;
            }
            ev.Cards.Remove(spare);
            ev.Cards.Add(spare, *userNumber);
            const std::int64_t number = RoundHalfEven(LeadingNumber(spare));
            ev.EntryOf(*userNumber)->EcardNumber =
                static_cast<int>(std::clamp<std::int64_t>(number, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
            continue;
        }

        EntryRecord* e = RecordOf(ev, card);
        if (!e) {
            WarnCardMismatch(history, kind);
            break;
        }
        switch (kind) {
        case Kind::Absent: SetManualFields(*e, "DNS", "DNS", Time(), Time(), Time()); break;
        case Kind::Late: SetManualFields(*e, "", "", Time(), Time(), Time::Minutes(LeadingInt16(value))); break;
        case Kind::Ok: {
            auto t = ParseTime(value);
            if (!t) {
                skipped.Skip(static_cast<int>(i) + 1, "時刻ではありません");
                break;
            }
            SetManualFields(*e, "", "OK", *t, *t, Time());
            break;
        }
        case Kind::Ng: SetManualFields(*e, value, value, Time(), Time(), Time()); break;
        case Kind::Cancel: SetManualFields(*e, "", "", Time(), Time(), Time()); break;
        case Kind::Reference: e->Reference = true; break;
        case Kind::Official: e->Reference = false; break;
        case Kind::Spare: break;
        }
    }
    skipped.Finish();
}

} // namespace quilo
