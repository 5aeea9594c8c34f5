#pragma once
// The entry desk without its window: a new entry on the day, or the fix of a competitor's
// start-list row. What it writes is the start list itself, after which the station loads
// the event again as a start-up does, so the window shows what a restart would.
//
//   EntryDesk desk(station);                // a new entry; EntryDesk(station, n) edits n
//   EntryForm form = desk.Form();           // as the dialog opens
//   form.name = "山田太郎"; ...
//   auto r = desk.Ok(form);                 // r.refused (+ r.message) / r.confirm / done
//   if (r.confirm && operatorSaysYes(r.message)) r = desk.Ok(form, true);
#include "core/Files.h" // first: moc stops at <compare> when core/Time.h brings it first
#include "station/DialogOutcome.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quilo {

class Station;

// The dialog's fields as text, in the order the start list holds them.
struct EntryForm {
    std::string card, className, start, bib, name, number, club;
    bool operator==(const EntryForm&) const = default;
};

class EntryDesk {
public:
    static constexpr const char* kNewTitle = "当日申込";
    static constexpr const char* kEditTitle = "出走者情報の修正";

    // A new entry (competitor -1) or the fix of a competitor's row.
    explicit EntryDesk(Station& station, int competitor = -1);

    // False when the desk cannot open at all (no such competitor, a read runs, the start
    // list stopped at an undefined class); Why() then says why.
    bool CanOpen() const { return why_.empty(); }
    const std::string& Why() const { return why_; }
    bool IsEdit() const { return competitor_ >= 0; }
    int Competitor() const { return competitor_; }
    const char* Title() const { return IsEdit() ? kEditTitle : kNewTitle; }
    // The classes the class box offers, in the course file's order.
    std::vector<std::string> Classes() const;
    // The form as it opens: empty for a new entry (the first class), the row for a fix.
    const EntryForm& Form() const { return form_; }

    // OK. Refused: nothing was written and the dialog stays open. Confirm: a change to a
    // competitor with a result; nothing was written and the message says what changes.
    // Otherwise the start list was written, the history says so and the event is loaded
    // again (a fix that changes nothing writes nothing).
    DialogOutcome Ok(const EntryForm& form, bool confirmed = false);

    // The row as it is written to the start list (UTF-8; quotes around a name or club
    // with a comma), and the check of a form alone: the refusal's message, or none.
    static std::string RowText(const EntryForm& form);
    // A start-list row's first seven fields as a form.
    static EntryForm ParseRow(std::string_view row);
    std::optional<std::string> Check(const EntryForm& form) const;
    // The form with the blanks typed around each field taken away.
    static EntryForm Trimmed(const EntryForm& form);

private:
    Station& station_;
    int competitor_;
    std::string why_;
    EntryForm form_;
};

// The competitor number of the spare card's row a competitor runs on (the spare-card
// question for it can be asked again), or none.
std::optional<int> SpareRowHeldBy(const Station& station, int competitor);

} // namespace quilo
