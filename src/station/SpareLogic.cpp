#include "station/SpareLogic.h"

#include "core/Event.h"
#include "core/General.h"
#include "core/Time.h"
#include "station/Station.h"

#include <algorithm>

namespace quilo {

SpareLogic::SpareLogic(Station& station, int ecardId) : station_(station), ecardId_(ecardId) {}

void SpareLogic::Load() {
    spareCardNumber_ = ecardId_;
    label2_ = "予備Ｅカード番号 : " + ZeroPad(spareCardNumber_, 5);
}

int SpareLogic::FindCardByBib(const Station& station, const std::string& text) {
    if (CharCount(text) != 4) return 0;
    // Four characters that are no number find nobody.
    auto bib = ToWholeNumber(text);
    if (!bib) return 0;
    const Event& ev = station.Tables();
    int card = 0;
    for (int c = 0; c < ev.ClassesInUse(); ++c) {
        int count = std::min(ev.ClassEntryCount[c], kMaxSlots);
        for (int s = 1; s <= count; ++s) {
            if (ev.Entry(c, s).BibNumber == *bib) {
                card = ev.Entry(c, s).EcardNumber;
                break;  // only the first of a class counts, even without a card
            }
        }
        if (card != 0) break;
    }
    return card;
}

int SpareLogic::ChosenCompetitor() const {
    const Event& ev = station_.Tables();
    auto n = ev.Cards.Find(std::to_string(chosenCardNumber_));
    if (!n || !ev.EntryOf(*n)) return -1;
    return *n;
}

void SpareLogic::SetText1(const std::string& typed) {
    // Digits typed with the input method on count as the digits.
    const std::string text = HalfWidthNumber(typed);
    if (text == text1_) return;
    text1_ = text;

    chosenCardNumber_ = 0;
    if (CharCount(text1_) != 4) {
        label3_.clear();
        return;
    }
    chosenCardNumber_ = FindCardByBib(station_, text1_);
    if (chosenCardNumber_ == 0) return;

    int n = ChosenCompetitor();
    if (n < 0) {
        // A card the index does not know: nothing to show, and OK is refused.
        chosenClassIndex_ = -1;
        chosenSlot_ = 0;
        label3_.clear();
        return;
    }
    const Event& ev = station_.Tables();
    chosenClassIndex_ = ev.EntryClass[n];
    chosenSlot_ = ev.EntrySlot[n];
    const EntryRecord& r = ev.Entry(chosenClassIndex_, chosenSlot_);
    label3_ = ev.ClassNames[chosenClassIndex_] + " <" + std::to_string(r.EcardNumber) + "> " + FormatHhNn(r.StartTime) +
              "\r\n" + r.Name + " " + std::to_string(r.ExtraNumber) + " " + r.Club;
    check1_ = r.Reference;
}

SpareOkResult SpareLogic::Ok() {
    SpareOkResult result;
    Event& ev = station_.Tables();
    const std::string spare = std::to_string(spareCardNumber_);
    const std::string chosen = std::to_string(chosenCardNumber_);
    // Resolved before anything is removed, so a refusal leaves the index whole.
    int n = chosenCardNumber_ == 0 ? -1 : ChosenCompetitor();
    if (n < 0 || !ev.Cards.Find(spare)) {
        result.refused = true;
        result.message = kWrongNumber;
        return result;
    }
    chosenClassIndex_ = ev.EntryClass[n];
    chosenSlot_ = ev.EntrySlot[n];

    EntryRecord& r = ev.Entry(chosenClassIndex_, chosenSlot_);
    const std::string who = " (" + ZeroPad(r.BibNumber, 4) + ") " + r.Name;
    auto record = [&](const std::string& history, const ChangeRecord& change) {
        IoResult io = station_.Correct(change, history, spareCardNumber_);
        if (!io.ok) result.saveFailures.push_back(std::move(io));
    };
    record(" (変更)予備Ｅカード" + spare + "使用" + who, {ChangeKind::Spare, spare, chosen});

    if (!r.Reference && check1_) record(" (変更)参考記録" + who, {ChangeKind::Reference, chosen, {}});
    else if (r.Reference && !check1_) record(" (変更)参考記録取消" + who, {ChangeKind::Official, chosen, {}});

    station_.Tag = "*";
    closed_ = true;
    return result;
}

} // namespace quilo
