#pragma once
// The spare E-card dialog without its window: the search by bib number and the
// assignment of the spare card. Also driven headlessly:
//
//   SpareLogic logic(station, spareRow);  // the competitor number of the spare card's row
//   logic.Load();
//   logic.SetBibText("0123");             // exactly four characters: bib 123
//   auto r = logic.Ok();                  // r.refused (+ r.message) / r.confirm / r.saveFailures
//   if (r.confirm && operatorSaysYes(r.message)) r = logic.Ok(true);
//   return logic.Answer();                // Assigned; refused or awaiting confirmation: Cancelled
#include "core/Files.h"
#include "finish/FinishLog.h"
#include "station/DialogOutcome.h"

#include <string>
#include <vector>

namespace quilo {

class Station;
struct EntryRecord;

class SpareLogic {
public:
    static constexpr const char* kCaption = "予備Ｅカードが検出されました";
    static constexpr const char* kWrongNumber = "正しい番号を入力してください";

    SpareLogic(Station& station, int spareRow);

    // Form_Load: takes the spare card and fills its label.
    void Load();
    // The bib box changed (run when the text really changes): finds the competitor.
    void SetBibText(const std::string& text);
    // The reference tick: the competitor runs for a reference result only.
    void SetReference(bool ticked) { reference_ = ticked; }
    // Command1_Click ("OK"). When neither refused nor asking for confirmation, the card
    // is assigned and the dialog is done. `confirmed`: the operator said yes to the question.
    DialogOutcome Ok(bool confirmed = false);

    int SpareRow() const { return spareRow_; }
    int SpareCardNumber() const { return spareCardNumber_; }
    // The spare card as the start list spells it ("09001").
    const std::string& SpareCardText() const { return spareCardText_; }
    int ChosenCardNumber() const { return chosenCardNumber_; }
    // The competitor found (-1: none).
    int ChosenCompetitor() const { return chosen_; }
    int ChosenClassIndex() const { return chosenClassIndex_; }
    int ChosenSlot() const { return chosenSlot_; }
    const std::string& BibText() const { return bibText_; }
    // "予備Ｅカード番号 : 09001".
    const std::string& SpareCardLabel() const { return spareCardLabel_; }
    // The competitor found (class, card, start; name, extra number, club): two lines
    // joined by CR LF.
    const std::string& CompetitorLabel() const { return competitorLabel_; }
    bool Reference() const { return reference_; }
    // Assigned once Ok assigned the card; Cancelled until then.
    SpareAnswer Answer() const { return assigned_ ? SpareAnswer::Assigned : SpareAnswer::Cancelled; }

    // The search alone: the competitor number of the first competitor, in class then slot
    // order, of the bib that exactly four characters of text name; -1 when none.
    static int FindCompetitorByBib(const Station& station, const std::string& text);
    // Why assigning a spare card to this competitor needs the operator's yes: they have a
    // result from a read, or already run on another spare card. Empty: no question.
    static std::string AlreadyFinished(const Station& station, int competitor);

private:
    Station& station_;
    int spareRow_;
    int spareCardNumber_ = 0;
    std::string spareCardText_;
    int chosenCardNumber_ = 0;
    int chosen_ = -1;
    int chosenClassIndex_ = -1;
    int chosenSlot_ = 0;
    std::string bibText_;
    std::string spareCardLabel_;
    std::string competitorLabel_;
    bool reference_ = false;
    bool assigned_ = false;
};

} // namespace quilo
