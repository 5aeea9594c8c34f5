// The finish log read against the plain punch check of each of its lines, on any bytes
// over the template event: the read's short cuts (a code table, lines without quotes
// walked once) must leave the same tables.
#include "FuzzSupport.h"

#include "core/Files.h"
#include "finish/FinishLog.h"

#include <memory>

using namespace quilo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view log = fuzz::AsText(data, size);
    // One pair of tables for the whole run, set back per input.
    static const auto viaRead = std::make_unique<Event>(fuzz::TemplateEvent());
    static const auto viaLines = std::make_unique<Event>(fuzz::TemplateEvent());

    History history(fuzz::FixedClock());
    ReadFinishLogText(*viaRead, log, history, {});
    LineReader reader(LineReader::Bytes{log});
    std::string_view line;
    while (reader.Next(line)) {
        if (line.find(',') == std::string_view::npos) continue;
        auto n = viaLines->Cards.Find(CardNumberText(line));
        if (n && viaLines->EntryClass[*n] != -1) CheckLine(*viaLines, *n, line);
    }
    fuzz::CheckCounts(*viaRead);
    fuzz::CheckCounts(*viaLines);
    if (!fuzz::SameResults(*viaRead, *viaLines)) fuzz::Fail("the read and the line-by-line check differ");

    fuzz::CheckTables(*viaRead);
    fuzz::CheckTables(*viaLines);

    // Set back before the next input, so every allocation of an input is freed within it
    // (libFuzzer runs an input again when its mallocs and frees differ).
    fuzz::ResetEvent(*viaRead, fuzz::TemplateEvent());
    fuzz::ResetEvent(*viaLines, fuzz::TemplateEvent());
    return 0;
}
