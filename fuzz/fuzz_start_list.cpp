// The start list reader on any bytes, over the template's classes, then the lists and
// output lines over what it read.
#include "FuzzSupport.h"

#include "readers/StartList.h"
#include "results/OutputFiles.h"
#include "results/StatusRefresh.h"

#include <memory>

using namespace quilo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Scratch& scratch = fuzz::Scratch::Get();
    scratch.Write("Startlst.dat", fuzz::AsText(data, size));

    // The classes and courses of the template, without its competitors.
    static const auto blank = std::make_unique<const Event>();
    static const auto ev = std::make_unique<Event>();
    *ev = *blank;
    const Event& tmpl = fuzz::TemplateEvent();
    ev->ClassNames = tmpl.ClassNames;
    ev->LastClassIndex = tmpl.LastClassIndex;
    ev->ControlCount = tmpl.ControlCount;
    for (int c = 0; c < kMaxClasses; ++c)
        for (int p = 0; p <= kPositions; ++p)
            for (int a = 0; a < kAlternatives; ++a) ev->CourseControls[c][p][a] = tmpl.CourseControls[c][p][a];

    History history(fuzz::FixedClock());
    const int before = ev->Cards.Count();
    (void)ReadStartList(*ev, scratch.File("Startlst.dat"), history);
    fuzz::CheckTables(*ev);
    if (ev->Cards.Count() < before) fuzz::Fail("card index shrank");
    // Every row kept leads back to itself through the card index.
    int rows = 0;
    for (int c = 0; c < kMaxClasses; ++c) rows += ev->ClassEntryCount[c];
    if (rows > ev->Cards.Count()) fuzz::Fail("more slots than card index entries");

    StatusLists lists;
    for (int order = 0; order < 2; ++order) {
        ev->SortByResult = order;
        RefreshStatus(*ev, Time::Hms(12, 0, 0), Time::Minutes(150), lists);
    }
    BuildResultsFile(*ev, Time::Minutes(150));
    BuildNotReturnedFile(*ev);
    fuzz::CheckTables(*ev);
    return 0;
}
