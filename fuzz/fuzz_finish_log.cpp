// The finish log reader with its punch check on any bytes, over the template event,
// with the spare-card question answered through the dialog's logic, as the data-load
// button reads it. (The read's short cuts against the plain punch check are
// fuzz_punch_check's; the status refresh and the outputs after a read, fuzz_station's.)
#include "FuzzSupport.h"

#include "finish/FinishLog.h"
#include "station/SpareLogic.h"
#include "station/Station.h"

#include <vector>

using namespace quilo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Scratch& scratch = fuzz::Scratch::Get();
    const std::string_view log = fuzz::AsText(data, size);

    // One station for the whole run, its tables and history set back after each input (a
    // new one costs more than the read).
    static Station& station = [&]() -> Station& {
        auto* s = new Station(scratch.Path(), fuzz::FixedClock());
        s->Tables() = fuzz::TemplateEvent();
        return *s;
    }();
    // Answers in turn: two bibs, a bib nobody has (refused, so cancelled), a cancel.
    static const char* const kAnswers[] = {"0101", "0201", "9999", nullptr, "0401"};
    int asked = 0;
    const SparePrompt prompt = [&](int spareRow) {
        const char* bib = kAnswers[asked++ % 5];
        if (!bib) return SpareAnswer::Cancelled;
        SpareLogic logic(station, spareRow);
        logic.Load();
        logic.SetBibText(bib);
        if (logic.Ok().confirm) logic.Ok(true);
        return logic.Answer();
    };
    ReadFinishLogText(station.Tables(), log, station.OperationHistory(), prompt);
    fuzz::CheckCounts(station.Tables());

    // The punch check of the whole input as one line (many more punches than any log
    // line has): for one competitor with a slot, picked by the input's length so that
    // every class takes its turn, and for numbers without one.
    Event& tables = station.Tables();
    std::vector<int> withSlot;
    for (int n = 0; n < tables.Rows(); ++n)
        if (tables.EntryClass[n] >= 0 && tables.EntrySlot[n] >= 1) withSlot.push_back(n);
    if (!withSlot.empty()) CheckLine(tables, withSlot[size % withSlot.size()], log);
    for (int n : {-1, tables.Rows()}) CheckLine(tables, n, log);
    fuzz::CheckTables(tables);

    // Set back before the next input, so every allocation of an input is freed within it
    // (libFuzzer runs an input again when its mallocs and frees differ).
    fuzz::ResetEvent(tables, fuzz::TemplateEvent());
    station.OperationHistory() = History(fuzz::FixedClock());
    // Only an answered question wrote the change file.
    if (asked > 0) scratch.Remove("Change.dat");
    return 0;
}
