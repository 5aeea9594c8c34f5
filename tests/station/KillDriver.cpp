// The station's correction path in a loop, for the kill tests: start-up, then late-start
// corrections through EditLogic, each followed by the output files. After each record's
// append has returned its number is written to the pipe, so the killer knows which
// records were promised durable.
//
//   quilo_kill_driver FOLDER PIPE_FD FIRST_RECORD [RECORDS]
//   quilo_kill_driver --entries FOLDER PIPE_FD FIRST_STEP [STEPS]
//
// Record k corrects card KillCard(k) by KillMinutes(k) minutes; without RECORDS it runs
// until killed. With --entries, step k is the entry desk's: a new entry or a row's fix
// (KillEntryRow(k)), its number written once the start list is written and reloaded.
#include "station/EditLogic.h"
#include "station/EntryDesk.h"
#include "station/Station.h"

#include "KillRecords.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool Tell(int pipeFd, long k) {
    // One write below PIPE_BUF: the reader never sees half a number.
    const std::string line = std::to_string(k) + "\n";
    return ::write(pipeFd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

int EntrySteps(const std::string& folder, int pipeFd, long first, long count) {
    using namespace quilo::test;
    quilo::Station station(folder, [] { return KillClock(); });
    station.Startup();
    for (long k = first; count < 0 || k < first + count; ++k) {
        quilo::EntryDesk desk(station, KillEntryIsFix(k) ? KillEntryFixed(k) : -1);
        quilo::EntryForm f = desk.Form();
        if (KillEntryIsFix(k)) {
            f.name = KillEntryName(k);
            f.club = KillEntryClub(k);
        } else {
            f = quilo::EntryDesk::ParseRow(KillEntryRow(k));
        }
        const quilo::DialogOutcome r = desk.Ok(f, true);
        if (r.refused || r.confirm) return 4;
        if (!Tell(pipeFd, k)) return 5;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 5 && std::string(argv[1]) == "--entries")
        return EntrySteps(argv[2], std::atoi(argv[3]), std::atol(argv[4]), argc > 5 ? std::atol(argv[5]) : -1);
    if (argc < 4) {
        std::fprintf(stderr, "usage: quilo_kill_driver [--entries] FOLDER PIPE_FD FIRST [COUNT]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int pipeFd = std::atoi(argv[2]);
    const long first = std::atol(argv[3]);
    const long count = argc > 4 ? std::atol(argv[4]) : -1;

    quilo::Station station(folder, [] { return quilo::test::KillClock(); });
    station.Startup();
    for (long k = first; count < 0 || k < first + count; ++k) {
        const auto competitor = station.Tables().Cards.Find(std::to_string(quilo::test::KillCard(k)));
        if (!competitor) return 3;
        quilo::EditLogic logic(station, *competitor);
        if (!logic.Load()) return 3;
        logic.SetLate(true);
        logic.SetLateMinutes(std::to_string(quilo::test::KillMinutes(k)));
        quilo::DialogOutcome r = logic.Apply();
        if (r.refused || !r.saveFailures.empty()) return 4;
        if (!Tell(pipeFd, k)) return 5;
        if (!station.WriteResultOutputs().results || !station.WriteNotReturned()) return 6;
    }
    return 0;
}
