#include "finish/ResultFields.h"

namespace quilo {

void SettleResultFields(EntryRecord& e) {
    if (!e.CardRead) return;
    e.Status = e.CheckStatus;
    e.RunningTime = e.CheckStatus.empty() ? e.CardTime : Time();
    // Added whatever the outcome: a coded card with late minutes runs for those minutes.
    if (!e.LateAddition.IsZero()) e.RunningTime = e.RunningTime + e.LateAddition;
    if (!e.ManualTime.IsZero()) {
        e.RunningTime = e.ManualTime;
        e.Status.clear();
    }
    if (!e.ManualStatus.empty()) {
        e.Status = e.ManualStatus;
        if (e.Status == "OK") e.Status.clear();
        else e.RunningTime = Time();
    }
}

} // namespace quilo
