// The start list reader on any bytes, over the template's classes. (The lists and
// output files over a start list read this way are fuzz_station's.)
#include "FuzzSupport.h"

#include "readers/StartList.h"

#include <memory>

using namespace quilo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The classes and courses of the template, without its competitors.
    static const auto classes = [] {
        auto e = std::make_unique<Event>();
        const Event& tmpl = fuzz::TemplateEvent();
        e->EnsureClassEntries(tmpl.ClassEntries());
        e->ClassNames = tmpl.ClassNames;
        e->LastClassIndex = tmpl.LastClassIndex;
        e->ControlCount = tmpl.ControlCount;
        e->CourseControls = tmpl.CourseControls;
        return e;
    }();
    static const auto ev = [] {
        auto e = std::make_unique<Event>();
        fuzz::ResetEvent(*e, *classes);
        return e;
    }();

    const int before = ev->Cards.Count();
    static_cast<void>(ReadStartListText(*ev, fuzz::AsText(data, size)));
    fuzz::CheckCounts(*ev);
    if (ev->Cards.Count() < before) fuzz::Fail("card index shrank");
    // Every row kept leads back to itself through the card index.
    int rows = 0;
    for (int c = 0; c < ev->ClassEntries(); ++c) rows += ev->ClassEntryCount[c];
    if (rows > ev->Cards.Count()) fuzz::Fail("more slots than card index entries");

    fuzz::CheckTables(*ev);
    // Set back before the next input, so every allocation of an input is freed within it
    // (libFuzzer runs an input again when its mallocs and frees differ).
    fuzz::ResetEvent(*ev, *classes);
    return 0;
}
