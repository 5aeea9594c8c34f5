#include "dialogs/EditLogic.h"

#include "core/Event.h"
#include "core/General.h"
#include "core/Time.h"
#include "main/Station.h"

#include <algorithm>

namespace quilo {
namespace {

std::string TimeMark(Time t) { return FormatHNnSs(t) + "\""; }

} // namespace

EditLogic::EditLogic(Station& station, int ecardId) : station_(station), ecardId_(ecardId) {}

EntryRecord& EditLogic::R() { return station_.Ev().Entry(classIndex_, slot_); }

bool EditLogic::Load() {
    loading_ = true;
    Event& ev = station_.Ev();
    auto n = ev.Cards.Find(std::to_string(ecardId_));
    if (!n || !ev.EntryOf(*n)) {
        loading_ = false;
        return false;
    }
    competitor_ = *n;
    classIndex_ = ev.EntryClass[competitor_];
    slot_ = ev.EntrySlot[competitor_];
    const EntryRecord& r = R();

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

void EditLogic::Record(const std::string& history, const std::string& record, EditApplyResult& result) {
    station_.Hist().Report(history, ecardId_);
    IoResult io = station_.SaveData(record);
    if (!io.ok) result.saveFailures.push_back(std::move(io));
}

EditApplyResult EditLogic::Apply() {
    EditApplyResult result;
    const std::string id = std::to_string(ecardId_);
    enum class Case { Absent, Late, Time, Code, Release, None };

    Case which = Case::None;
    if (c_.Check1.ticked) which = Case::Absent;
    else if (c_.Check3.ticked) which = Case::Late;
    else if (c_.Check4.ticked && c_.Option1.selected) which = Case::Time;
    else if (c_.Check4.ticked) which = Case::Code;
    else if (!nothingSetAtLoad_) which = Case::Release;

    // Every refusal comes before the first field is touched.
    std::int64_t minutes = 0;
    Time manual;
    if (which == Case::Late) {
        minutes = RoundHalfEven(LeadingNumber(c_.Text1.text));
        if (minutes < -32768 || minutes > 32767) {
            result.refused = true;
            result.message = kLateTooLarge;
            return result;
        }
    } else if (which == Case::Time) {
        auto t = ParseTime(c_.Text2.text);
        if (!t) {
            result.refused = true;
            result.message = kBadTime;
            return result;
        }
        manual = *t;
    } else if (which == Case::Code && c_.Text3.text.empty()) {
        result.refused = true;
        result.message = kEmptyCode;
        return result;
    }

    EntryRecord& r = R();
    switch (which) {
    case Case::Absent:
        r.ManualStatus = "DNS";
        r.Status = "DNS";
        r.RunningTime = Time();
        r.ManualTime = Time();
        r.LateAddition = Time();
        Record(" (変更)欠席" + Who(), "欠席/" + id, result);
        break;
    case Case::Late:
        r.ManualStatus.clear();
        r.Status.clear();
        r.ManualTime = Time();
        r.LateAddition = Time::Minutes(minutes);
        r.RunningTime = r.RunningTime + r.LateAddition;
        Record(" (変更)" + c_.Text1.text + "分遅刻" + Who(), "遅刻/" + id + "," + c_.Text1.text, result);
        break;
    case Case::Time:
        r.ManualStatus = "OK";
        r.Status.clear();
        r.ManualTime = manual;
        r.RunningTime = r.ManualTime;
        r.LateAddition = Time();
        Record(" (変更)" + c_.Text2.text + Who(), "ＯＫ/" + id + "," + c_.Text2.text, result);
        break;
    case Case::Code:
        SetText3(ToUpper(c_.Text3.text));
        r.ManualStatus = c_.Text3.text;
        r.Status = c_.Text3.text;
        r.ManualTime = Time();
        r.RunningTime = Time();
        r.LateAddition = Time();
        Record(" (変更)" + c_.Text3.text + Who(), "ＮＧ/" + id + "," + c_.Text3.text, result);
        break;
    case Case::Release:
        r.ManualStatus.clear();
        r.RunningTime = r.CardTime;
        r.ManualTime = Time();
        r.Status = r.CheckStatus;
        r.LateAddition = Time();
        Record(" (変更)手動変更解除" + Who(), "取消/" + id, result);
        break;
    case Case::None:
        break;
    }

    if (notReferenceAtLoad_ && c_.Check2.ticked) {
        r.Reference = true;
        Record(" (変更)参考記録" + Who(), "参考/" + id, result);
    } else if (!notReferenceAtLoad_ && !c_.Check2.ticked) {
        r.Reference = false;
        Record(" (変更)参考記録取消" + Who(), "公式/" + id, result);
    }

    closed_ = true;
    return result;
}

} // namespace quilo
