#include "station/EditLogic.h"

#include "core/Cp932.h"
#include "core/Event.h"
#include "core/Fields.h"
#include "core/Kana.h"
#include "core/Numbers.h"
#include "core/Time.h"
#include "station/Station.h"

#include <algorithm>

namespace quilo {
namespace {

std::string TimeMark(Time t) { return FormatHNnSs(t) + "\""; }

} // namespace

EditLogic::EditLogic(Station& station, int competitor) : station_(station), competitor_(competitor) {}

EntryRecord& EditLogic::R() { return station_.Tables().Entry(classIndex_, slot_); }

bool EditLogic::Load() {
    loading_ = true;
    Event& ev = station_.Tables();
    if (!ev.EntryOf(competitor_)) {
        loading_ = false;
        return false;
    }
    classIndex_ = ev.EntryClass[competitor_];
    slot_ = ev.EntrySlot[competitor_];
    const EntryRecord& r = R();
    cardText_ = r.EcardText;

    c_.Caption = r.Name;

    c_.List1.clear();
    c_.List1.push_back("Time = " + TimeMark(r.RunningTime));
    if (r.Status == "OK") c_.List1.push_back("Info = OK<確定>");
    else if (r.Status.empty()) c_.List1.push_back("Info = OK");
    else c_.List1.push_back("Info = " + r.Status);
    c_.List1.push_back("");
    int positions = std::clamp(ev.ControlCount[classIndex_], 0, kPositions - 1);
    for (int i = 1; i <= positions; ++i) {
        Time p = ev.PunchTimes[competitor_][i];
        c_.List1.push_back("  " + ZeroPad(i, 2) + (p.IsZero() ? std::string(" = -:--'--\"") : " = " + TimeMark(p)));
    }
    c_.List1.push_back("GOAL = " + TimeMark(ev.PunchTimes[competitor_][kFinishPosition]));

    if (r.ManualStatus == "DNS") SetCheck1(true);
    if (!r.LateAddition.IsZero()) {
        // Whole minutes, seconds dropped; the same as hours * 60 + minutes below a day.
        SetText1(std::to_string(r.LateAddition.Seconds() / 60));
        SetCheck3(true);
    }
    if (r.Reference) SetCheck2(true);
    if (!r.ManualTime.IsZero() || (r.ManualStatus != "DNS" && !r.ManualStatus.empty())) {
        SetCheck4(true);
        if (r.ManualStatus != "OK") {
            SelectOption2();
            SetText3(r.ManualStatus);
        } else {
            SelectOption1();
            SetText2(FormatHhNnSs(r.ManualTime));
        }
    }
    nothingSetAtLoad_ = !c_.Check1.ticked && !c_.Check3.ticked && !c_.Check4.ticked;
    notReferenceAtLoad_ = !c_.Check2.ticked;
    loading_ = false;
    return true;
}

void EditLogic::Changed() {
    if (!loading_) c_.Command1Enabled = true;
}

void EditLogic::SetControlStates() {
    auto set = [&](bool check2, bool check3, bool check4, bool text1, bool options, bool text2, bool text3) {
        c_.Check2.enabled = check2;
        c_.Check3.enabled = check3;
        c_.Check4.enabled = check4;
        c_.Text1.enabled = text1;
        c_.Option1.enabled = options;
        c_.Option2.enabled = options;
        c_.Text2.enabled = text2;
        c_.Text3.enabled = text3;
    };
    if (c_.Check1.ticked) set(false, false, false, false, false, false, false);
    else if (c_.Check3.ticked) set(true, true, false, true, false, false, false);
    else if (c_.Check4.ticked && c_.Option1.selected) set(true, false, true, false, true, true, false);
    else if (c_.Check4.ticked && c_.Option2.selected) set(true, false, true, false, true, false, true);
    else if (c_.Check4.ticked) set(true, false, true, false, true, false, false);
    else set(true, true, true, false, false, false, false);
}

void EditLogic::Check1_Click() {
    Changed();
    SetControlStates();
}
void EditLogic::Check3_Click() {
    Changed();
    SetControlStates();
}
void EditLogic::Check4_Click() {
    Changed();
    SetControlStates();
}
void EditLogic::Option_Click() {
    Changed();
    SetControlStates();
}

void EditLogic::SetCheck1(bool ticked) {
    if (c_.Check1.ticked == ticked) return;
    c_.Check1.ticked = ticked;
    Check1_Click();
}

void EditLogic::SetCheck2(bool ticked) {
    if (c_.Check2.ticked == ticked) return;
    c_.Check2.ticked = ticked;
    Changed();
}

void EditLogic::SetCheck3(bool ticked) {
    if (c_.Check3.ticked == ticked) return;
    c_.Check3.ticked = ticked;
    Check3_Click();
}

void EditLogic::SetCheck4(bool ticked) {
    if (c_.Check4.ticked == ticked) return;
    c_.Check4.ticked = ticked;
    Check4_Click();
}

void EditLogic::SelectOption1() {
    if (c_.Option1.selected) return;
    c_.Option1.selected = true;
    c_.Option2.selected = false;
    Option_Click();
}

void EditLogic::SelectOption2() {
    if (c_.Option2.selected) return;
    c_.Option2.selected = true;
    c_.Option1.selected = false;
    Option_Click();
}

void EditLogic::SetText1(const std::string& text) {
    if (c_.Text1.text == text) return;
    c_.Text1.text = text;
    Changed();
}

void EditLogic::SetText2(const std::string& text) {
    if (c_.Text2.text == text) return;
    c_.Text2.text = text;
    Changed();
}

void EditLogic::SetText3(const std::string& text) {
    if (c_.Text3.text == text) return;
    c_.Text3.text = text;
    Changed();
}

std::string EditLogic::Who() {
    const EntryRecord& r = R();
    return " (" + ZeroPad(r.BibNumber, 4) + ") " + r.Name;
}

void EditLogic::Record(const std::string& history, const ChangeRecord& record, EditApplyResult& result) {
    if (Result<> saved = station_.Correct(record, history, competitor_); !saved) result.saveFailures.push_back(saved.Failure());
}

std::string EditLogic::Refusal(Case which) {
    if (which == Case::Late) {
        // The minutes as the change file will give them back at the next start.
        auto stored = ChangeRecord::Parse(ChangeRecord{ChangeKind::Late, "0", c_.Text1.text}.Text());
        const std::string value = stored ? stored->value : c_.Text1.text;
        const std::int64_t minutes = RoundHalfEven(LeadingNumber(value));
        if (minutes > 32767) return kLateTooLarge;
        // Text that is no number would be kept and replayed as no lateness at all.
        std::string digits = value;
        std::erase_if(digits, [](char ch) { return ch == ' ' || ch == '\t'; });
        if (minutes < 0 || !ToWholeNumber(digits)) return kBadLate;
    } else if (which == Case::Time) {
        // 0:00:00 would read back as no hand time at all.
        auto t = ParseTime(c_.Text2.text);
        if (!t || t->IsZero()) return kBadTime;
    } else if (which == Case::Code) {
        const std::string& code = c_.Text3.text;
        if (code.empty()) return kEmptyCode;
        // The change file splits at these and the next start would cut the code.
        if (code.find_first_of("/,\"") != std::string::npos) return kBadCodeSign;
        // Would read as a confirmed result without a time.
        if (code == "OK") return kOkAsCode;
        const bool control = std::any_of(code.begin(), code.end(), [](char ch) {
            return static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F;
        });
        if (control || Cp932ToUtf8(Utf8ToCp932(code)) != code) return kNotInCodePage;
    }
    return {};
}

EditApplyResult EditLogic::Apply() {
    EditApplyResult result;
    const std::string& id = cardText_;

    Case which = Case::None;
    if (c_.Check1.ticked) which = Case::Absent;
    else if (c_.Check3.ticked) which = Case::Late;
    else if (c_.Check4.ticked && c_.Option1.selected) which = Case::Time;
    else if (c_.Check4.ticked) which = Case::Code;
    else if (!nothingSetAtLoad_) which = Case::Release;

    // Input method text is taken in the form the change file keeps; the boxes show it.
    SetText1(HalfWidthNumber(c_.Text1.text));
    SetText2(HalfWidthNumber(c_.Text2.text));
    // A code with blanks around it (" OK ") would pass the checks and print as typed.
    if (which == Case::Code) SetText3(TrimBlanks(ToUpper(HalfWidthText(c_.Text3.text))));

    // Every refusal comes before the first field is touched.
    result.message = Refusal(which);
    if (!result.message.empty()) {
        result.refused = true;
        return result;
    }

    switch (which) {
    case Case::Absent: Record(" (変更)欠席" + Who(), {ChangeKind::Absent, id, {}}, result); break;
    case Case::Late:
        Record(" (変更)" + c_.Text1.text + "分遅刻" + Who(), {ChangeKind::Late, id, c_.Text1.text}, result);
        break;
    case Case::Time: Record(" (変更)" + c_.Text2.text + Who(), {ChangeKind::HandTime, id, c_.Text2.text}, result); break;
    case Case::Code: Record(" (変更)" + c_.Text3.text + Who(), {ChangeKind::Code, id, c_.Text3.text}, result); break;
    case Case::Release: Record(" (変更)手動変更解除" + Who(), {ChangeKind::Cancel, id, {}}, result); break;
    case Case::None: break;
    }

    if (notReferenceAtLoad_ && c_.Check2.ticked) Record(" (変更)参考記録" + Who(), {ChangeKind::Reference, id, {}}, result);
    else if (!notReferenceAtLoad_ && !c_.Check2.ticked)
        Record(" (変更)参考記録取消" + Who(), {ChangeKind::Official, id, {}}, result);

    closed_ = true;
    return result;
}

} // namespace quilo
