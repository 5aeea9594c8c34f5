#include "station/SpareLogic.h"

#include "core/Event.h"
#include "core/Kana.h"
#include "core/Numbers.h"
#include "core/TextWidth.h"
#include "core/Time.h"
#include "station/Station.h"

#include <algorithm>

namespace quilo {

SpareLogic::SpareLogic(Station& station, int spareRow) : station_(station), spareRow_(spareRow) {}

void SpareLogic::Load() {
    const Event& ev = station_.Tables();
    if (spareRow_ >= 0 && spareRow_ < ev.Rows()) spareCardText_ = ev.CardTexts[static_cast<std::size_t>(spareRow_)];
    spareCardNumber_ = ToWholeNumber(spareCardText_).value_or(0);
    spareCardLabel_ = "予備Ｅカード番号 : " + ZeroPad(spareCardNumber_, 5);
}

int SpareLogic::FindCompetitorByBib(const Station& station, const std::string& text) {
    if (CharCount(text) != 4) return -1;
    // Four characters that are no number find nobody.
    auto bib = ToWholeNumber(text);
    if (!bib) return -1;
    const Event& ev = station.Tables();
    for (int c = 0; c < ev.ClassesInUse(); ++c) {
        const int count = ev.ClassEntryCount[c];
        for (int s = 1; s <= count; ++s) {
            const EntryRecord& r = ev.Entry(c, s);
            if (r.BibNumber != *bib) continue;
            // Only the first of a class counts; one without a card sends the search on.
            if (r.EcardNumber == 0) break;
            if (auto n = ev.Cards.Find(r.EcardText); n && ev.EntryOf(*n) == &r) return *n;
            break;
        }
    }
    return -1;
}

std::string SpareLogic::AlreadyFinished(const Station& station, int competitor) {
    const Event& ev = station.Tables();
    const EntryRecord* r = ev.EntryOf(competitor);
    if (!r) return {};
    const std::string who = "(" + ZeroPad(r->BibNumber, 4) + ") " + r->Name;
    if (r->CardRead) {
        const std::string result = r->RunningTime.IsZero() ? r->Status : FormatHNnSs(r->RunningTime) + "\"";
        return who + " にはＥカード " + r->EcardText + " の成績があります（" + result + "）。";
    }
    if (r->EcardText != ev.CardTexts[static_cast<std::size_t>(competitor)])
        return who + " には予備Ｅカード " + r->EcardText + " が割り当て済みです。";
    return {};
}

void SpareLogic::SetBibText(const std::string& typed) {
    // Digits typed with the input method on count as the digits.
    const std::string text = HalfWidthNumber(typed);
    if (text == bibText_) return;
    bibText_ = text;

    chosenCardNumber_ = 0;
    chosen_ = -1;
    if (CharCount(bibText_) != 4) {
        competitorLabel_.clear();
        return;
    }
    const int n = FindCompetitorByBib(station_, bibText_);
    if (n < 0) return;
    const Event& ev = station_.Tables();
    chosen_ = n;
    chosenClassIndex_ = ev.EntryClass[n];
    chosenSlot_ = ev.EntrySlot[n];
    const EntryRecord& r = ev.Entry(chosenClassIndex_, chosenSlot_);
    chosenCardNumber_ = r.EcardNumber;
    // The card as the operator sees it written on it ("01234").
    const std::string card = r.EcardText.empty() ? std::to_string(r.EcardNumber) : r.EcardText;
    competitorLabel_ = ev.ClassNames[chosenClassIndex_] + " <" + card + "> " + FormatHhNn(r.StartTime) + "\r\n" + r.Name +
                       " " + std::to_string(r.ExtraNumber) + " " + r.Club;
    reference_ = r.Reference;
}

DialogOutcome SpareLogic::Ok(bool confirmed) {
    DialogOutcome result;
    Event& ev = station_.Tables();
    const int n = chosen_;
    // Checked before anything is removed, so a refusal leaves the index whole.
    if (n < 0 || !ev.EntryOf(n) || spareCardText_.empty() || !ev.Cards.Find(spareCardText_)) {
        result.refused = true;
        result.message = kWrongNumber;
        return result;
    }
    // A mistyped bib would replace a finished competitor's result without a word.
    if (!confirmed) {
        if (std::string why = AlreadyFinished(station_, n); !why.empty()) {
            result.confirm = true;
            result.message = why + "\r\n予備Ｅカード " + spareCardText_ + " をこの競技者に割り当てますか？";
            return result;
        }
    }
    chosenClassIndex_ = ev.EntryClass[n];
    chosenSlot_ = ev.EntrySlot[n];

    EntryRecord& r = ev.Entry(chosenClassIndex_, chosenSlot_);
    const std::string who = " (" + ZeroPad(r.BibNumber, 4) + ") " + r.Name;
    // The competitor's card before the assignment, as the start list spells it.
    const std::string chosen = r.EcardText;
    auto record = [&](const std::string& history, const ChangeRecord& change) {
        if (Result<> saved = station_.Correct(change, history, n); !saved) result.saveFailures.push_back(saved.Failure());
    };
    record(" (変更)予備Ｅカード" + spareCardText_ + "使用" + who, {ChangeKind::Spare, spareCardText_, chosen});

    if (!r.Reference && reference_) record(" (変更)参考記録" + who, {ChangeKind::Reference, chosen, {}});
    else if (r.Reference && !reference_) record(" (変更)参考記録取消" + who, {ChangeKind::Official, chosen, {}});

    assigned_ = true;
    return result;
}

} // namespace quilo
