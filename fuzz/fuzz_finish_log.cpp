// The finish log reader with its punch check on any bytes, over the template event,
// with the spare-card question answered through the dialog's logic; read twice, as the
// data-load button does.
#include "FuzzSupport.h"

#include "core/Files.h"
#include "station/SpareLogic.h"
#include "finish/FinishLog.h"
#include "station/Station.h"

#include <memory>

using namespace quilo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Scratch& scratch = fuzz::Scratch::Get();
    scratch.Reset();
    const std::string_view log = fuzz::AsText(data, size);
    scratch.Write("Regnly.log", log);

    // One station for the whole run, its tables and history set afresh per input (a new
    // one costs more than the read).
    static Station& station = *new Station(scratch.Path(), fuzz::FixedClock());
    station.Tables() = fuzz::TemplateEvent();
    station.OperationHistory() = History(fuzz::FixedClock());
    station.Tag.clear();
    // Answers in turn: two bibs, a bib nobody has (refused, so cancelled), a cancel.
    static const char* const kAnswers[] = {"0101", "0201", "9999", nullptr, "0401"};
    int asked = 0;
    station.SetSparePrompt([&](int ecardId) {
        const char* bib = kAnswers[asked++ % 5];
        if (!bib) return;
        SpareLogic logic(station, ecardId);
        logic.Load();
        logic.SetText1(bib);
        logic.Ok();
    });
    station.ReadFinishLog();
    fuzz::CheckTables(station.Tables());
    station.SetSortByResult(true);
    station.ReadFinishLog();
    fuzz::CheckTables(station.Tables());

    // The read's short cuts (a code table, lines without quotes walked once) against the
    // plain punch check of each line: both must leave the same tables.
    {
        static const auto viaRead = std::make_unique<Event>(), viaLines = std::make_unique<Event>();
        *viaRead = fuzz::TemplateEvent();
        *viaLines = fuzz::TemplateEvent();
        History history(fuzz::FixedClock());
        std::string tag;
        ReadFinishLogFile(*viaRead, scratch.File("Regnly.log"), history, tag, {});
        LineReader reader(scratch.File("Regnly.log"));
        std::string_view line;
        while (reader.Next(line)) {
            if (line.find(',') == std::string_view::npos) continue;
            auto n = viaLines->Cards.Find(CardNumberText(line));
            if (n && viaLines->EntryClass[*n] != -1) CheckLine(*viaLines, *n, line);
        }
        if (!fuzz::SameResults(*viaRead, *viaLines)) fuzz::Fail("the read and the line-by-line check differ");
    }

    // The punch check of the whole input as one line, for every competitor number.
    for (int n = -1; n <= kMaxCompetitors; n += 1) CheckLine(station.Tables(), n, log);
    fuzz::CheckTables(station.Tables());
    return 0;
}
