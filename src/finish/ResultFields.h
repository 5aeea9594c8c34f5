#pragma once
#include "core/Event.h"

namespace quilo {

// Status and RunningTime of a competitor whose card was read: the punch check's own
// outcome (CheckStatus, CardTime) with the operator's fields on top (late minutes, hand
// time, manual status). The finish log reader and every correction end with it, so the
// running program and a fresh start (replay, then read) agree. A card not read since
// the start keeps what the operator's last record set.
void SettleResultFields(EntryRecord& e);

} // namespace quilo
