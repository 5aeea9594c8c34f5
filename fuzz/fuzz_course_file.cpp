// The course file reader on any bytes, then the punch check over what it read. (The
// lists and output files over a course read this way are fuzz_station's.)
#include "FuzzSupport.h"

#include "finish/FinishLog.h"
#include "readers/CourseFile.h"

#include <memory>

using namespace quilo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One table for the whole run, emptied per input: a fresh one costs more than the read.
    static const auto blank = std::make_unique<const Event>();
    static const auto ev = std::make_unique<Event>();
    static_cast<void>(ReadCourseText(*ev, fuzz::AsText(data, size))); // the tables are what is checked
    const int last = ev->LastClassIndex;
    if (last < -1 || last >= ev->ClassEntries()) fuzz::Fail("class counter out of range");
    ev->LastClassIndex = last;
    fuzz::CheckCounts(*ev);

    // One competitor per class, whose card punches the first alternative of every
    // position in course order, then the class's first finish code.
    for (int c = 0; c < ev->ClassesInUse(); ++c) {
        const std::string card = "1000" + std::to_string(c);
        ev->Cards.Add(card, c);
        if (ev->AddRow(c, card) != c) fuzz::Fail("row number");
        ev->Entries[c][1].StartTime = Time::Hms(10, c % 60, 0);
        ev->FirstStart[c] = ev->LastStart[c] = Time::Hms(10, c % 60, 0);
        std::string line = "1,2,3,4,5,(" + card + ")";
        for (int p = 1; p <= ev->ControlCount[c]; ++p)
            line += "," + std::to_string(ev->CourseControls[c][p][0]) + ",0:" + std::to_string(10 + p) + ":00";
        line += "," + std::to_string(ev->CourseControls[c][kFinishPosition][0]) + ",0:59:00";
        CheckLine(*ev, c, line);
    }
    fuzz::CheckTables(*ev);
    // Set back before the next input, so every allocation of an input is freed within it
    // (libFuzzer runs an input again when its mallocs and frees differ).
    fuzz::ResetEvent(*ev, *blank);
    return 0;
}
