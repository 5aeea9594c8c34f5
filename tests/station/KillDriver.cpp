// The station's correction path in a loop, for the kill tests: start-up, then late-start
// corrections through EditLogic, each followed by the output files. After each record's
// append has returned its number is written to the pipe, so the killer knows which
// records were promised durable.
//
//   quilo_kill_driver FOLDER PIPE_FD FIRST_RECORD [RECORDS]
//
// Record k corrects card KillCard(k) by KillMinutes(k) minutes; without RECORDS it runs
// until killed.
#include "station/EditLogic.h"
#include "station/Station.h"

#include "KillRecords.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: quilo_kill_driver FOLDER PIPE_FD FIRST_RECORD [RECORDS]\n");
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
        // One write below PIPE_BUF: the reader never sees half a number.
        const std::string line = std::to_string(k) + "\n";
        if (::write(pipeFd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return 5;
        if (!station.WriteResultOutputs().results || !station.WriteNotReturned()) return 6;
    }
    return 0;
}
