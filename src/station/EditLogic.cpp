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

    c_.Lines.clear();
    c_.Lines.push_back("Time = " + TimeMark(r.RunningTime));
    if (r.Status == "OK") c_.Lines.push_back("Info = OK<確定>");
    else if (r.Status.empty()) c_.Lines.push_back("Info = OK");
    else c_.Lines.push_back("Info = " + r.Status);
    c_.Lines.push_back("");
    int positions = std::clamp(ev.ControlCount[classIndex_], 0, kPositions - 1);
    for (int i = 1; i <= positions; ++i) {
        Time p = ev.PunchTimes[competitor_][i];
        c_.Lines.push_back("  " + ZeroPad(i, 2) + (p.IsZero() ? std::string(" = -:--'--\"") : " = " + TimeMark(p)));
    }
    c_.Lines.push_back("GOAL = " + TimeMark(ev.PunchTimes[competitor_][kFinishPosition]));

    if (r.ManualStatus == "DNS") SetAbsent(true);
    if (!r.LateAddition.IsZero()) {
        // Whole minutes, seconds dropped; the same as hours * 60 + minutes below a day.
        SetLateMinutes(std::to_string(r.LateAddition.Seconds() / 60));
        SetLate(true);
    }
    if (r.Reference) SetReference(true);
    if (!r.ManualTime.IsZero() || (r.ManualStatus != "DNS" && !r.ManualStatus.empty())) {
        SetByHand(true);
        if (r.ManualStatus != "OK") {
            SelectDisqualified();
            SetCode(r.ManualStatus);
        } else {
            SelectValid();
            SetHandTime(FormatHhNnSs(r.ManualTime));
        }
    }
    nothingSetAtLoad_ = !c_.Absent.ticked && !c_.Late.ticked && !c_.ByHand.ticked;
    notReferenceAtLoad_ = !c_.Reference.ticked;
    loading_ = false;
    return true;
}

void EditLogic::Changed() {
    if (!loading_) c_.ApplyEnabled = true;
}

void EditLogic::SetControlStates() {
    auto set = [&](bool check2, bool check3, bool check4, bool text1, bool options, bool text2, bool text3) {
        c_.Reference.enabled = check2;
        c_.Late.enabled = check3;
        c_.ByHand.enabled = check4;
        c_.LateMinutes.enabled = text1;
        c_.Valid.enabled = options;
        c_.Disqualified.enabled = options;
        c_.HandTime.enabled = text2;
        c_.Code.enabled = text3;
    };
    if (c_.Absent.ticked) set(false, false, false, false, false, false, false);
    else if (c_.Late.ticked) set(true, true, false, true, false, false, false);
    else if (c_.ByHand.ticked && c_.Valid.selected) set(true, false, true, false, true, true, false);
    else if (c_.ByHand.ticked && c_.Disqualified.selected) set(true, false, true, false, true, false, true);
    else if (c_.ByHand.ticked) set(true, false, true, false, true, false, false);
    else set(true, true, true, false, false, false, false);
}

// A tick or an option: "変更" and the enabled states follow (the states also while loading).
void EditLogic::Toggled() {
    Changed();
    SetControlStates();
}

void EditLogic::SetAbsent(bool ticked) {
    if (c_.Absent.ticked == ticked) return;
    c_.Absent.ticked = ticked;
    Toggled();
}

void EditLogic::SetReference(bool ticked) {
    if (c_.Reference.ticked == ticked) return;
    c_.Reference.ticked = ticked;
    Changed();
}

void EditLogic::SetLate(bool ticked) {
    if (c_.Late.ticked == ticked) return;
    c_.Late.ticked = ticked;
    Toggled();
}

void EditLogic::SetByHand(bool ticked) {
    if (c_.ByHand.ticked == ticked) return;
    c_.ByHand.ticked = ticked;
    Toggled();
}

void EditLogic::SelectValid() {
    if (c_.Valid.selected) return;
    c_.Valid.selected = true;
    c_.Disqualified.selected = false;
    Toggled();
}

void EditLogic::SelectDisqualified() {
    if (c_.Disqualified.selected) return;
    c_.Disqualified.selected = true;
    c_.Valid.selected = false;
    Toggled();
}

void EditLogic::SetLateMinutes(const std::string& text) {
    if (c_.LateMinutes.text == text) return;
    c_.LateMinutes.text = text;
    Changed();
}

void EditLogic::SetHandTime(const std::string& text) {
    if (c_.HandTime.text == text) return;
    c_.HandTime.text = text;
    Changed();
}

void EditLogic::SetCode(const std::string& text) {
    if (c_.Code.text == text) return;
    c_.Code.text = text;
    Changed();
}

std::string EditLogic::Who() {
    const EntryRecord& r = R();
    return " (" + ZeroPad(r.BibNumber, 4) + ") " + r.Name;
}

void EditLogic::Record(const std::string& history, const ChangeRecord& record, DialogOutcome& result) {
    if (Result<> saved = station_.Correct(record, history, competitor_); !saved)
        result.saveFailures.push_back(saved.Failure());
}

std::string EditLogic::Refusal(Case which) {
    if (which == Case::Late) {
        // The minutes as the change file will give them back at the next start.
        auto stored = ChangeRecord::Parse(ChangeRecord{ChangeKind::Late, "0", c_.LateMinutes.text}.Text());
        const std::string value = stored ? stored->value : c_.LateMinutes.text;
        const std::int64_t minutes = RoundHalfEven(LeadingNumber(value));
        if (minutes > 32767) return kLateTooLarge;
        // Text that is no number would be kept and replayed as no lateness at all.
        std::string digits = value;
        std::erase_if(digits, [](char ch) { return ch == ' ' || ch == '\t'; });
        if (minutes < 0 || !ToWholeNumber(digits)) return kBadLate;
    } else if (which == Case::Time) {
        // 0:00:00 would read back as no hand time at all.
        auto t = ParseTime(c_.HandTime.text);
        if (!t || t->IsZero()) return kBadTime;
    } else if (which == Case::Code) {
        const std::string& code = c_.Code.text;
        if (code.empty()) return kEmptyCode;
        // The change file splits at these and the next start would cut the code.
        if (code.find_first_of("/,\"") != std::string::npos) return kBadCodeSign;
        // Would read as a confirmed result without a time.
        if (code == "OK") return kOkAsCode;
        const bool control =
            std::any_of(code.begin(), code.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F; });
        if (control || Cp932ToUtf8(Utf8ToCp932(code)) != code) return kNotInCodePage;
    }
    return {};
}

DialogOutcome EditLogic::Apply() {
    DialogOutcome result;
    const std::string& id = cardText_;

    Case which = Case::None;
    if (c_.Absent.ticked) which = Case::Absent;
    else if (c_.Late.ticked) which = Case::Late;
    else if (c_.ByHand.ticked && c_.Valid.selected) which = Case::Time;
    else if (c_.ByHand.ticked) which = Case::Code;
    else if (!nothingSetAtLoad_) which = Case::Release;

    // Input method text is taken in the form the change file keeps; the boxes show it.
    SetLateMinutes(HalfWidthNumber(c_.LateMinutes.text));
    SetHandTime(HalfWidthNumber(c_.HandTime.text));
    // A code with blanks around it (" OK ") would pass the checks and print as typed.
    if (which == Case::Code) SetCode(TrimBlanks(ToUpper(HalfWidthText(c_.Code.text))));

    // Every refusal comes before the first field is touched.
    result.message = Refusal(which);
    if (!result.message.empty()) {
        result.refused = true;
        return result;
    }

    switch (which) {
    case Case::Absent: Record(" (変更)欠席" + Who(), {ChangeKind::Absent, id, {}}, result); break;
    case Case::Late:
        Record(" (変更)" + c_.LateMinutes.text + "分遅刻" + Who(), {ChangeKind::Late, id, c_.LateMinutes.text}, result);
        break;
    case Case::Time: Record(" (変更)" + c_.HandTime.text + Who(), {ChangeKind::HandTime, id, c_.HandTime.text}, result); break;
    case Case::Code: Record(" (変更)" + c_.Code.text + Who(), {ChangeKind::Code, id, c_.Code.text}, result); break;
    case Case::Release: Record(" (変更)手動変更解除" + Who(), {ChangeKind::Cancel, id, {}}, result); break;
    case Case::None: break;
    }

    if (notReferenceAtLoad_ && c_.Reference.ticked) Record(" (変更)参考記録" + Who(), {ChangeKind::Reference, id, {}}, result);
    else if (!notReferenceAtLoad_ && !c_.Reference.ticked)
        Record(" (変更)参考記録取消" + Who(), {ChangeKind::Official, id, {}}, result);

    closed_ = true;
    return result;
}

} // namespace quilo
