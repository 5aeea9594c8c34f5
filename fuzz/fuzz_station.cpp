// The whole start-up sequence over a folder carved from the input, the spare-card
// question answered through the dialog's logic, the data-load button, both orders and
// both output files.
//
// Input: parts separated by the byte 0x1E, in this order: the answers to the spare
// question (bibs separated by ";", an empty answer cancels), Control.dat, Startlst.dat,
// Change.dat, Regnly.log, Quilo.ini. A file whose part is missing is absent; a part of
// the single byte 0x1D makes a folder of that name instead.
#include "FuzzSupport.h"

#include "station/SpareLogic.h"
#include "station/Station.h"

#include <memory>
#include <string>
#include <vector>

using namespace quilo;

namespace {

const char* const kFiles[] = {"Control.dat", "Startlst.dat", "Change.dat", "Regnly.log", "Quilo.ini"};

// Output paths stay inside the scratch folder: the settings come from the input and
// could name any file of the machine.
void KeepInside(Station& station, const char* key, const char* fileName) {
    const std::string folder = station.Folder() + "/";
    const std::string path = station.OutputPath(key);
    const bool inside = path.compare(0, folder.size(), folder) == 0 && path.find("..") == std::string::npos &&
                        path.find('\\') == std::string::npos;
    if (!inside) station.Settings().SetItem(key, folder + fileName);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Scratch& scratch = fuzz::Scratch::Get();
    scratch.Reset();
    const auto parts = fuzz::Split(fuzz::AsText(data, size), '\x1e', 6);
    for (std::size_t i = 1; i < parts.size(); ++i) {
        if (parts[i] == "\x1d") scratch.MakeFolder(kFiles[i - 1]);
        else scratch.Write(kFiles[i - 1], parts[i]);
    }
    std::vector<std::string> answers;
    for (auto a : fuzz::Split(parts[0], ';', 8)) answers.emplace_back(a);

    // A new station per input, on one reused table (a new one costs more than the rest).
    static std::unique_ptr<Event> tables = std::make_unique<Event>();
    static const auto blank = std::make_unique<const Event>();
    Station station(scratch.Path(), fuzz::FixedClock(), std::move(tables));
    std::size_t asked = 0;
    station.SetSparePrompt([&](int spareRow) {
        const std::string& bib = answers[asked++ % answers.size()];
        if (bib.empty()) return SpareAnswer::Cancelled;
        SpareLogic logic(station, spareRow);
        logic.Load();
        logic.SetBibText(bib);
        if (logic.Ok().confirm) logic.Ok(true);
        return logic.Answer();
    });
    station.Startup();
    fuzz::CheckTables(station.Tables());

    for (const char* key : {"ClassListFontSize", "HistoryListFontSize", "EntryListFontSize"}) station.FontSize(key);
    KeepInside(station, "SeisekiOutput", "E_Result.txt");
    KeepInside(station, "MikikanOutput", "E_NoRet.txt");
    // A write may fail in a carved folder; the tables after it are what is checked.
    static_cast<void>(station.WriteResults());
    static_cast<void>(station.WriteNotReturned());
    station.ReadFinishLog();
    station.SetSortByResult(true);
    static_cast<void>(station.WriteResults());
    static_cast<void>(station.WriteNotReturned());
    static_cast<void>(station.ReleaseSettings());
    fuzz::CheckTables(station.Tables());
    tables = station.ReleaseTables();
    fuzz::ResetEvent(*tables, *blank);
    return 0;
}
