#pragma once
// The spare E-card dialog without its window: the search by bib number and the
// assignment of the spare card. Also driven headlessly:
//
//   SpareLogic logic(station, ecardId);   // ecardId: the spare card's number
//   logic.Load();
//   logic.SetText1("0123");               // exactly four characters: bib 123
//   auto r = logic.Ok();                  // r.refused (+ r.message) / r.saveFailures
//   // assigned: station.Tag == "*"; refused: nothing changed
#include "core/Files.h"

#include <string>
#include <vector>

namespace quilo {

class Station;
struct EntryRecord;

struct SpareOkResult {
    // True: the critical message must be shown, nothing was changed, the dialog stays open.
    bool refused = false;
    std::string message;
    // Change records that could not be written; the assignment itself stands in memory.
    std::vector<IoResult> saveFailures;
};

class SpareLogic {
public:
    static constexpr const char* kCaption = "予備Ｅカードが検出されました";
    static constexpr const char* kWrongNumber = "正しい番号を入力してください";

    SpareLogic(Station& station, int ecardId);

    // Form_Load: takes the spare card's number and fills Label2.
    void Load();
    // Text1_Change, run when the text really changes.
    void SetText1(const std::string& text);
    void SetCheck1(bool ticked) { check1_ = ticked; }
    // Command1_Click ("OK"). When not refused the card is assigned and the dialog is done.
    SpareOkResult Ok();

    int EcardID() const { return ecardId_; }
    int SpareCardNumber() const { return spareCardNumber_; }
    int ChosenCardNumber() const { return chosenCardNumber_; }
    int ChosenClassIndex() const { return chosenClassIndex_; }
    int ChosenSlot() const { return chosenSlot_; }
    const std::string& Text1() const { return text1_; }
    const std::string& Label2() const { return label2_; }
    // Two lines joined by CR LF.
    const std::string& Label3() const { return label3_; }
    bool Check1() const { return check1_; }
    bool Closed() const { return closed_; }

    // The search alone: the first competitor, in class then slot order, of the bib that
    // exactly four characters of text name; returns that competitor's E-card number or 0.
    static int FindCardByBib(const Station& station, const std::string& text);

private:
    // The competitor number behind the chosen card, or -1 when it leads to no record.
    int ChosenCompetitor() const;

    Station& station_;
    int ecardId_;
    int spareCardNumber_ = 0;
    int chosenCardNumber_ = 0;
    int chosenClassIndex_ = -1;
    int chosenSlot_ = 0;
    std::string text1_;
    std::string label2_;
    std::string label3_;
    bool check1_ = false;
    bool closed_ = false;
};

} // namespace quilo
