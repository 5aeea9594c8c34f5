#pragma once
// What a correction dialog's button leads to, for both the edit and the spare-card dialog.
#include "core/Result.h"

#include <string>
#include <vector>

namespace quilo {

struct DialogOutcome {
    // True: the message must be shown, nothing was changed and the dialog stays open.
    bool refused = false;
    // True: nothing was changed yet; the message asks whether to go on all the same (the
    // spare card's competitor already has a result or another spare card).
    bool confirm = false;
    std::string message;
    // Change records that could not be written; the correction itself stands in memory.
    std::vector<Error> saveFailures;
};

} // namespace quilo
