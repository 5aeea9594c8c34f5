// The finish log reader with its punch check on any bytes, over the template event,
// with the spare-card question answered through the dialog's logic; read twice, as the
// data-load button does, each read followed by the status refresh.
#include "FuzzSupport.h"

#include "core/Files.h"
#include "station/SpareLogic.h"
#include "finish/FinishLog.h"
#include "station/Station.h"

#include <array>
#include <memory>

using namespace quilo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Scratch& scratch = fuzz::Scratch::Get();
    const std::string_view log = fuzz::AsText(data, size);
    // The log is read from memory; only the dialog's answers go to a file.
    scratch.Remove("Change.dat");

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
    const SparePrompt prompt = [&](int ecardId) {
        const char* bib = kAnswers[asked++ % 5];
        if (!bib) return;
        SpareLogic logic(station, ecardId);
        logic.Load();
        logic.SetText1(bib);
        logic.Ok();
    };
    for (bool byResult : {false, true}) {
        ReadFinishLogText(station.Tables(), log, station.OperationHistory(), station.Tag, prompt);
        station.SetSortByResult(byResult);
        fuzz::CheckCounts(station.Tables());
    }

    // The read's short cuts (a code table, lines without quotes walked once) against the
    // plain punch check of each line: both must leave the same tables.
    {
        static const auto viaRead = std::make_unique<Event>(fuzz::TemplateEvent());
        static const auto viaLines = std::make_unique<Event>(fuzz::TemplateEvent());
        History history(fuzz::FixedClock());
        std::string tag;
        ReadFinishLogText(*viaRead, log, history, tag, {});
        LineReader reader(LineReader::Bytes{log});
        std::string_view line;
        while (reader.Next(line)) {
            if (line.find(',') == std::string_view::npos) continue;
            auto n = viaLines->Cards.Find(CardNumberText(line));
            if (n && viaLines->EntryClass[*n] != -1) CheckLine(*viaLines, *n, line);
        }
        if (!fuzz::SameResults(*viaRead, *viaLines)) fuzz::Fail("the read and the line-by-line check differ");
        // The station's tables, read the same way, get the walk over every slot below.
        fuzz::CheckCounts(*viaRead);
        fuzz::CheckCounts(*viaLines);
        fuzz::ResetEvent(*viaRead, fuzz::TemplateEvent());
        fuzz::ResetEvent(*viaLines, fuzz::TemplateEvent());
    }

    // The punch check of the whole input as one line, for every competitor number; of
    // the competitors with a slot, only the first of each class (the others run the same
    // course, and each check walks the whole input).
    const Event& tables = station.Tables();
    std::array<bool, kMaxClasses> classDone{};
    for (int n = -1; n <= kMaxCompetitors; ++n) {
        const bool inside = n >= 0 && n < kMaxCompetitors;
        const int c = inside ? tables.EntryClass[n] : -1;
        if (c >= 0 && c < kMaxClasses && tables.EntrySlot[n] >= 1) {
            if (classDone[c]) continue;
            classDone[c] = true;
        }
        CheckLine(station.Tables(), n, log);
    }
    fuzz::CheckTables(station.Tables());

    // Set back before the next input, so every allocation of an input is freed within it
    // (libFuzzer runs an input again when its mallocs and frees differ).
    fuzz::ResetEvent(station.Tables(), fuzz::TemplateEvent());
    station.OperationHistory() = History(fuzz::FixedClock());
    station.Tag.clear();
    return 0;
}
