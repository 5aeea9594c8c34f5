#pragma once
// The competitor edit dialog without its window: the controls' state, the handlers
// and the apply, named for what each control means. The widget only mirrors Controls()
// and forwards the operator's actions.
//
//   EditLogic logic(station, competitor);   // the competitor number a list line names
//   if (!logic.Load()) { /* no competitor of a class */ }
//   logic.SetAbsent(true);
//   auto r = logic.Apply();   // r.refused + r.message, or applied (r.saveFailures)
#include "core/Files.h" // first: moc stops at <compare> when core/Time.h brings it first
#include "finish/ChangeRecord.h"
#include "station/DialogOutcome.h"

#include <string>
#include <vector>

namespace quilo {

class Station;
struct EntryRecord;

struct CheckControl {
    bool ticked = false;
    bool enabled = true;
};

struct OptionControl {
    bool selected = false;
    bool enabled = false;
};

struct TextControl {
    std::string text;
    bool enabled = false;
};

struct EditControls {
    // 欠席, 参考記録, 遅刻による時間の加算 and 記録変更 (the result set by hand).
    CheckControl Absent, Reference, Late, ByHand;
    // The late minutes, the hand time (with Valid) and the code (with Disqualified).
    TextControl LateMinutes, HandTime, Code;
    // The result set by hand: valid with a time ("OK") or disqualified with a code ("DISQ").
    OptionControl Valid, Disqualified;
    bool ApplyEnabled = false;      // "変更"
    std::vector<std::string> Lines; // the competitor's time, status and punches, shown only
    std::string Caption;
};

class EditLogic {
public:
    static constexpr const char* kNotFound = "このＥカードの競技者が見つかりません";
    static constexpr const char* kBadTime = "時間の形式が正しくありません。";
    static constexpr const char* kEmptyCode = "空白を埋めて下さい(例：「DNF」「P3」）";
    static constexpr const char* kLateTooLarge = "遅刻の分数が大きすぎます";
    static constexpr const char* kBadLate = "遅刻の分数が正しくありません。";
    static constexpr const char* kBadCodeSign = "コードに「/」「,」「\"」は使えません。";
    static constexpr const char* kOkAsCode = "「OK」はコードとして使えません。";
    static constexpr const char* kNotInCodePage = "使えない文字が含まれています。";

    EditLogic(Station& station, int competitor);

    // Form_Load. False when the number names no competitor of a class (a spare-card row,
    // or none at all); nothing is changed then and the dialog must not open.
    bool Load();

    // The operator's actions. Each handler runs only when the value really changes,
    // as a control notifies only then.
    void SetAbsent(bool ticked);
    void SetReference(bool ticked);
    void SetLate(bool ticked);
    void SetByHand(bool ticked);
    void SelectValid();
    void SelectDisqualified();
    void SetLateMinutes(const std::string& text);
    void SetHandTime(const std::string& text);
    void SetCode(const std::string& text);

    // "変更". When not refused the dialog is done (Closed()).
    DialogOutcome Apply();

    const EditControls& Controls() const { return c_; }
    int CompetitorNumber() const { return competitor_; }
    // The card the records name, as the start list spells it.
    const std::string& CardText() const { return cardText_; }
    int ClassIndex() const { return classIndex_; }
    int Slot() const { return slot_; }
    bool Loading() const { return loading_; }
    bool NothingSetAtLoad() const { return nothingSetAtLoad_; }
    bool NotReferenceAtLoad() const { return notReferenceAtLoad_; }
    bool Closed() const { return closed_; }

private:
    EntryRecord& R();
    void Changed(); // enables "変更" unless loading
    void SetControlStates();
    void Toggled();
    enum class Case { Absent, Late, Time, Code, Release, None };
    // The message that refuses the apply, or empty text.
    std::string Refusal(Case which);
    // Applies the correction, adds its history line and writes its record, keeping a
    // failed write.
    void Record(const std::string& history, const ChangeRecord& record, DialogOutcome& result);
    std::string Who(); // " (B) Name"

    Station& station_;
    int competitor_;
    std::string cardText_;
    int classIndex_ = 0;
    int slot_ = 0;
    bool loading_ = false;
    bool nothingSetAtLoad_ = false;
    bool notReferenceAtLoad_ = false;
    bool closed_ = false;
    EditControls c_;
};

} // namespace quilo
