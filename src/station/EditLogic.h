#pragma once
// The competitor edit dialog without its window: the controls' state, the handlers
// and the apply. The widget only mirrors Controls() and forwards the operator's actions.
//
//   EditLogic logic(station, competitor);   // the competitor number a list line names
//   if (!logic.Load()) { /* no competitor of a class */ }
//   logic.SetCheck1(true);
//   auto r = logic.Apply();   // r.refused + r.message, or applied (r.saveFailures)
#include "core/Files.h"
#include "finish/ChangeRecord.h"

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
    CheckControl Check1, Check2, Check3, Check4;
    TextControl Text1, Text2, Text3;
    OptionControl Option1, Option2;
    bool Command1Enabled = false;
    std::vector<std::string> List1;
    std::string Caption;
};

struct EditApplyResult {
    // True: the message must be shown, nothing was changed and the dialog stays open.
    bool refused = false;
    std::string message;
    // Change records that could not be written; the correction itself stands in memory.
    std::vector<Error> saveFailures;
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
    void SetCheck1(bool ticked);
    void SetCheck2(bool ticked);
    void SetCheck3(bool ticked);
    void SetCheck4(bool ticked);
    void SelectOption1();
    void SelectOption2();
    void SetText1(const std::string& text);
    void SetText2(const std::string& text);
    void SetText3(const std::string& text);

    // Command1_Click ("変更"). When not refused the dialog is done (Closed()).
    EditApplyResult Apply();

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
    void Changed();  // enables "変更" unless loading
    void SetControlStates();
    void Check1_Click();
    void Check3_Click();
    void Check4_Click();
    void Option_Click();
    enum class Case { Absent, Late, Time, Code, Release, None };
    // The message that refuses the apply, or empty text.
    std::string Refusal(Case which);
    // Applies the correction, adds its history line and writes its record, keeping a
    // failed write.
    void Record(const std::string& history, const ChangeRecord& record, EditApplyResult& result);
    std::string Who();  // " (B) Name"

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
