// The change file replay on any bytes, over the template event; then the finish log
// over the manual fields it left, and one more record appended to a file that ends as
// the input does, which must come back whole as the last line.
#include "FuzzSupport.h"

#include "core/Files.h"
#include "finish/ChangeFile.h"
#include "finish/FinishLog.h"

#include <memory>
#include <set>

using namespace quilo;

namespace {

const char* const kLog =
    "1,x,x,x,x,(10001),31,0:10:00,32,0:20:00,33,0:30:00,100,0:35:00\r\n"
    "2,x,x,x,x,(10002),31,0:11:00,33,0:31:00,100,0:36:00\r\n"
    "3,x,x,x,x,(10003),31,0:12:00,32,0:22:00,31,0:32:00,200,0:37:00\r\n"
    "4,x,x,x,x,(10005),100,0:38:00\r\n"
    "5,x,x,x,x,(90001),31,0:10:00,100,0:39:00\r\n"
    "6,x,x,x,x,(01234),31,0:10:00,32,0:20:00,33,0:30:00\r\n";

// Whatever the file ended with, an appended record is a line of its own. The append
// looks at the last byte only, so each ending is tried on a real file once.
void CheckAppendAfter(std::string_view bytes) {
    static std::set<int> tried;
    const int last = bytes.empty() ? -1 : static_cast<unsigned char>(bytes.back());
    if (!tried.insert(last).second) return;
    fuzz::Scratch& scratch = fuzz::Scratch::Get();
    scratch.Reset();
    scratch.Write("Change.dat", bytes.substr(bytes.empty() ? 0 : bytes.size() - 1));
    const std::string record = "欠席/10001";
    if (!SaveChangeRecord(scratch.File("Change.dat"), record)) fuzz::Fail("append to the change file failed");
    const Result<std::vector<std::string>> lines = ReadTextLines(scratch.File("Change.dat"));
    if (!lines || lines->empty() || lines->back() != record) fuzz::Fail("appended record not read back whole");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::AsText(data, size);

    // One table for the whole run, set afresh per input: a new one costs more than the read.
    static const auto ev = std::make_unique<Event>(fuzz::TemplateEvent());
    History history(fuzz::FixedClock());
    static_cast<void>(LoadChangeText(*ev, bytes));
    fuzz::CheckCounts(*ev);
    ReadFinishLogText(*ev, kLog, history, {});
    fuzz::CheckCounts(*ev);
    fuzz::CheckTables(*ev);
    // Set back before the next input, so every allocation of an input is freed within it
    // (libFuzzer runs an input again when its mallocs and frees differ).
    fuzz::ResetEvent(*ev, fuzz::TemplateEvent());

    CheckAppendAfter(bytes);
    return 0;
}
