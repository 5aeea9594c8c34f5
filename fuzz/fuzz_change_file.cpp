// The change file replay on any bytes, over the template event; then the finish log
// over the manual fields it left, and one more record appended to the same file, which
// must come back whole as the last line.
#include "FuzzSupport.h"

#include "core/Files.h"
#include "station/Station.h"
#include "results/OutputFiles.h"

using namespace quilo;

namespace {

const char* const kLog =
    "1,x,x,x,x,(10001),31,0:10:00,32,0:20:00,33,0:30:00,100,0:35:00\r\n"
    "2,x,x,x,x,(10002),31,0:11:00,33,0:31:00,100,0:36:00\r\n"
    "3,x,x,x,x,(10003),31,0:12:00,32,0:22:00,31,0:32:00,200,0:37:00\r\n"
    "4,x,x,x,x,(10005),100,0:38:00\r\n"
    "5,x,x,x,x,(90001),31,0:10:00,100,0:39:00\r\n"
    "6,x,x,x,x,(01234),31,0:10:00,32,0:20:00,33,0:30:00\r\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Scratch& scratch = fuzz::Scratch::Get();
    scratch.Reset();
    scratch.Write("Change.dat", fuzz::AsText(data, size));
    scratch.Write("Regnly.log", kLog);

    // One station for the whole run, its tables and history set afresh per input.
    static Station& station = *new Station(scratch.Path(), fuzz::FixedClock());
    station.Tables() = fuzz::TemplateEvent();
    station.OperationHistory() = History(fuzz::FixedClock());
    station.Tag.clear();
    station.LoadData();
    fuzz::CheckTables(station.Tables());
    station.ReadFinishLog();
    fuzz::CheckTables(station.Tables());
    station.SetSortByResult(true);
    BuildResultsFile(station.Tables(), Time::Minutes(150));
    BuildNotReturnedFile(station.Tables());

    // Whatever the file ended with, an appended record is a line of its own.
    const std::string record = "欠席/10001";
    if (!station.SaveData(record)) fuzz::Fail("append to the change file failed");
    std::vector<std::string> lines;
    if (!ReadTextLines(scratch.File("Change.dat"), lines) || lines.empty() || lines.back() != record)
        fuzz::Fail("appended record not read back whole");
    return 0;
}
