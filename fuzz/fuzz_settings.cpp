// The settings file on any bytes: loaded, given the start-up defaults, read as numbers,
// changed and saved; a saved file of plain text reads back to the same values.
#include "FuzzSupport.h"

#include "core/IniFile.h"
#include "station/Station.h"
#include "results/Evaluation.h"

#include <string>
#include <vector>

using namespace quilo;

namespace {

const char* const kKeys[] = {"SeisekiOutput", "MikikanOutput", "TimeLimit", "ClassListFontSize",
                             "HistoryListFontSize", "EntryListFontSize"};

bool PlainAscii(const std::string& s) {
    for (unsigned char ch : s)
        if (ch < 0x20 || ch >= 0x7F) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Scratch& scratch = fuzz::Scratch::Get();
    scratch.Reset();
    scratch.Write("Quilo.ini", fuzz::AsText(data, size));
    const std::string path = scratch.File("Quilo.ini");

    {
        IniFile ini;
        ini.SetFileName(path);
        for (const char* key : kKeys)
            if (ini.Item(key).empty()) ini.SetItem(key, "9");
        TimeLimitOf(ini);
        // A changed value makes the object dirty, so the release rewrites the file.
        ini.SetItem("TimeLimit", ini.Item("TimeLimit"));
        if (!ini.Dirty()) fuzz::Fail("changing a present key left the object clean");
        if (!ini.Save()) fuzz::Fail("save failed");
        if (ini.Dirty()) fuzz::Fail("dirty after a save");

        bool plain = true;
        for (const auto& k : ini.Keys()) plain = plain && PlainAscii(k) && PlainAscii(ini.Item(k));
        if (plain) {
            IniFile again;
            again.SetFileName(path);
            if (again.Keys().size() != ini.Keys().size()) fuzz::Fail("key count changed by a save");
            for (const auto& k : ini.Keys())
                if (again.Item(k) != ini.Item(k)) fuzz::Fail("value changed by a save");
        }
    }

    // The same file through the start-up sequence: defaults, font sizes, time limit.
    scratch.Write("Quilo.ini", fuzz::AsText(data, size));
    Station station(scratch.Path(), fuzz::FixedClock());
    station.Startup();
    for (const char* key : {"ClassListFontSize", "HistoryListFontSize", "EntryListFontSize"}) station.FontSize(key);
    station.TimeLimit();
    station.ReleaseSettings();
    return 0;
}
