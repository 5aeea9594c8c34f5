// The settings file on any bytes: loaded, given the start-up defaults, read as numbers,
// changed and saved; a saved file keeps its encoding, and one of plain text reads back to
// the same values. (The station's start-up over a settings file is fuzz_station's.)
#include "FuzzSupport.h"

#include "core/IniFile.h"
#include "core/Numbers.h"
#include "results/Evaluation.h"

#include <string>
#include <vector>

using namespace quilo;

namespace {

const char* const kKeys[] = {"SeisekiOutput",     "MikikanOutput",       "TimeLimit",
                             "ClassListFontSize", "HistoryListFontSize", "EntryListFontSize"};

bool PlainAscii(const std::string& s) {
    for (unsigned char ch : s)
        if (ch < 0x20 || ch >= 0x7F) return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    IniFile ini;
    ini.LoadText(fuzz::AsText(data, size));
    // The start-up sequence: defaults for missing keys, font sizes, time limit.
    for (const char* key : kKeys)
        if (ini.Item(key).empty()) ini.SetItem(key, "9");
    for (const char* key : {"ClassListFontSize", "HistoryListFontSize", "EntryListFontSize"})
        (void)LeadingNumber(ini.Item(key));
    TimeLimitOf(ini);
    // A changed value makes the object dirty, so the release rewrites the file.
    ini.SetItem("TimeLimit", ini.Item("TimeLimit"));
    if (!ini.Dirty()) fuzz::Fail("changing a present key left the object clean");

    // What a save writes reads back to the same values when it is plain text.
    const std::string saved = ini.SavedText();
    IniFile reread;
    reread.LoadText(saved);
    if (reread.Encoding() != ini.Encoding()) fuzz::Fail("a save changed the encoding");
    bool plain = true;
    for (const auto& k : ini.Keys()) plain = plain && PlainAscii(k) && PlainAscii(ini.Item(k));
    if (plain) {
        IniFile again;
        again.LoadText(saved);
        if (again.Keys().size() != ini.Keys().size()) fuzz::Fail("key count changed by a save");
        for (const auto& k : ini.Keys())
            if (again.Item(k) != ini.Item(k)) fuzz::Fail("value changed by a save");
    }
    return 0;
}
