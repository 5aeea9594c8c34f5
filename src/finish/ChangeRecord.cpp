#include "finish/ChangeRecord.h"

#include "core/Cp932.h"
#include "core/Fields.h"
#include "core/Numbers.h"
#include "finish/ResultFields.h"

#include <algorithm>
#include <array>
#include <limits>

namespace quilo {
namespace {

struct KindWord {
    const char* word;
    ChangeKind kind;
    bool hasValue;
};

constexpr std::array<KindWord, 8> kWords{{
    {"欠席", ChangeKind::Absent, false},
    {"遅刻", ChangeKind::Late, true},
    {"ＯＫ", ChangeKind::HandTime, true},
    {"ＮＧ", ChangeKind::Code, true},
    {"取消", ChangeKind::Cancel, false},
    {"参考", ChangeKind::Reference, false},
    {"公式", ChangeKind::Official, false},
    {"予備", ChangeKind::Spare, true},
}};

const KindWord& WordOf(ChangeKind kind) {
    return *std::find_if(kWords.begin(), kWords.end(), [&](const KindWord& w) { return w.kind == kind; });
}

void SetManualFields(EntryRecord& e, std::string status, std::string manual, Time running, Time manualTime, Time late) {
    e.Status = std::move(status);
    e.ManualStatus = std::move(manual);
    e.RunningTime = running;
    e.ManualTime = manualTime;
    e.LateAddition = late;
}

ChangeOutcome AssignSpare(Event& ev, const std::string& spare, const std::string& user) {
    // Both numbers are checked before the index changes, so a bad record cannot take
    // away the spare card's key.
    auto userNumber = ev.Cards.Find(user);
    const auto holder = ev.Cards.Find(spare);
    if (!holder || !userNumber || !ev.EntryOf(*userNumber)) return ChangeOutcome::UnknownCard;
    // The spare card given again: whoever ran on it before runs on their own card again.
    if (EntryRecord* before = ev.EntryOf(*holder); before && *holder != *userNumber && before->EcardText == spare) {
        const std::string& own = ev.CardTexts[static_cast<std::size_t>(*holder)];
        before->EcardText = own;
        before->EcardNumber = ToWholeNumber(own).value_or(0); // as the start list gave it
    }
    ev.Cards.Remove(spare);
    ev.Cards.Add(spare, *userNumber);
    const std::int64_t number = RoundHalfEven(LeadingNumber(spare));
    EntryRecord& e = *ev.EntryOf(*userNumber);
    e.EcardNumber =
        static_cast<int>(std::clamp<std::int64_t>(number, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    e.EcardText = spare;
    return ChangeOutcome::Applied;
}

} // namespace

std::string ChangeRecord::Text() const {
    const KindWord& w = WordOf(kind);
    std::string line = std::string(w.word) + "/" + card;
    if (w.hasValue) line += "," + value;
    return line;
}

std::optional<ChangeRecord> ChangeRecord::Parse(std::string_view line) {
    if (line.find('/') == std::string_view::npos) return std::nullopt;
    const std::string_view word = GetFieldView(line, 1, "/");
    auto known = std::find_if(kWords.begin(), kWords.end(), [&](const KindWord& w) { return word == w.word; });
    if (known == kWords.end()) return std::nullopt;
    const std::string_view data = GetFieldView(line, 2, "/");
    ChangeRecord r;
    r.kind = known->kind;
    r.card = GetField(data, 1, ",");
    r.value = GetField(data, 2, ",");
    return r;
}

ChangeOutcome ApplyChangeRecord(Event& ev, const ChangeRecord& record) {
    if (record.kind == ChangeKind::Spare) return AssignSpare(ev, record.card, record.value);

    // A card that leads to a spare row nobody has taken has no record either.
    auto n = ev.Cards.Find(record.card);
    EntryRecord* e = n ? ev.EntryOf(*n) : nullptr;
    if (!e) return ChangeOutcome::UnknownCard;
    switch (record.kind) {
    case ChangeKind::Absent: SetManualFields(*e, "DNS", "DNS", Time(), Time(), Time()); break;
    case ChangeKind::Late: SetManualFields(*e, "", "", Time(), Time(), Time::Minutes(LeadingInt16(record.value))); break;
    case ChangeKind::HandTime: {
        auto t = ParseTime(record.value);
        if (!t) return ChangeOutcome::BadValue;
        SetManualFields(*e, "", "OK", *t, *t, Time());
        break;
    }
    case ChangeKind::Code: SetManualFields(*e, record.value, record.value, Time(), Time(), Time()); break;
    case ChangeKind::Cancel: SetManualFields(*e, "", "", Time(), Time(), Time()); break;
    case ChangeKind::Reference: e->Reference = true; return ChangeOutcome::Applied;
    case ChangeKind::Official: e->Reference = false; return ChangeOutcome::Applied;
    case ChangeKind::Spare: break;
    }
    SettleResultFields(*e);
    return ChangeOutcome::Applied;
}

ChangeOutcome ApplyAsStored(Event& ev, const ChangeRecord& record) {
    auto stored = ChangeRecord::Parse(Cp932ToUtf8(Utf8ToCp932(record.Text())));
    if (!stored) return ChangeOutcome::BadValue;
    return ApplyChangeRecord(ev, *stored);
}

} // namespace quilo
