// Random corrections through both dialogs' logic: after each one, the running station, a
// re-read of the finish log and a fresh start on the same folder must agree on every
// field the lists and files use. On a small event of every state, and on random events
// past the old limits (11 and 60 classes, 301 in a class, 502 and 5,000 rows).
//
//   QUILO_PROPERTY_SEQUENCES=N   how many sequences (default 2000 on the small event, a
//                                few on each large one)
//   QUILO_PROPERTY_SEED=S        first seed (sequence i uses S + i)
#include "Clock.h"
#include "CorrectionSteps.h"
#include "RandomEvent.h"
#include "TestSupport.h"
#include "station/Station.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sstream>

namespace quilo {
namespace {

using test::EnvNumber;
using test::FixedClock;
using test::TempDir;

const Time kNow = Time::Hms(11, 0, 0);

// Corrections in random steps on the event in `dir`; "" when the station, a re-read and
// a fresh start agreed after every step, else what each of them held. With a shape, the
// event must first have been read whole, as large as it was made.
std::string RunSequence(const TempDir& dir, std::mt19937& rng, const std::vector<std::string>& bibs,
                        const test::EventShape* shape = nullptr) {
    Station st(dir.Path(), FixedClock(kNow));
    st.Startup();
    if (shape) {
        const Event& ev = st.Tables();
        if (ev.ClassesInUse() != shape->classes || ev.Rows() != shape->rows || ev.ClassEntryCount[0] != shape->bigClass)
            return "read as " + std::to_string(ev.ClassesInUse()) + " classes, " + std::to_string(ev.Rows()) + " rows, " +
                   std::to_string(ev.ClassEntryCount[0]) + " in the first class";
    }
    std::ostringstream log;
    const int steps = std::uniform_int_distribution<int>(1, 4)(rng);
    for (int step = 0; step < steps; ++step) {
        if (std::uniform_int_distribution<int>(0, 4)(rng) == 0) test::RandomSpareRead(st, rng, bibs, log);
        else test::RandomEdit(st, rng, log);
        st.RefreshStatus();
        const auto afterDialog = test::StateLines(st);

        st.ReadFinishLog();
        const auto afterReRead = test::StateLines(st);

        Station fresh(dir.Path(), FixedClock(kNow));
        fresh.Startup();
        const auto afterRestart = test::StateLines(fresh);

        if (afterDialog != afterReRead || afterDialog != afterRestart)
            return log.str() + "\nafter the dialog:\n" + testing::PrintToString(afterDialog) + "\nafter a re-read:\n" +
                   testing::PrintToString(afterReRead) + "\nafter a restart:\n" + testing::PrintToString(afterRestart);
    }
    return "";
}

TEST(CorrectionPropertyTest, DialogReReadAndRestartAgree) {
    const long sequences = EnvNumber("QUILO_PROPERTY_SEQUENCES", 2000);
    const long firstSeed = EnvNumber("QUILO_PROPERTY_SEED", 20261207);
    for (long i = 0; i < sequences; ++i) {
        const auto seed = static_cast<std::uint32_t>(firstSeed + i);
        std::mt19937 rng(seed);
        TempDir dir;
        test::WriteSmallEvent(dir, rng);
        if (const std::string failure = RunSequence(dir, rng, test::kSmallEventBibs); !failure.empty()) {
            ADD_FAILURE() << "seed " << seed << " (QUILO_PROPERTY_SEED=" << seed << " QUILO_PROPERTY_SEQUENCES=1)\n"
                          << failure;
            return;
        }
    }
}

// Each sequence on a new random event of the shape. Fewer sequences as the events grow:
// every step starts the station twice more.
TEST(CorrectionPropertyTest, PastTheOldLimits) {
    const struct {
        test::EventShape shape;
        long sequences;
    } cases[] = {
        {{"11 classes", 11, 40, 4}, 20}, {{"60 classes", 60, 200, 4}, 10},   {{"301 in a class", 10, 320, 301}, 6},
        {{"502 rows", 12, 502, 60}, 6},  {{"5,000 rows", 60, 5000, 400}, 2},
    };
    const long firstSeed = EnvNumber("QUILO_PROPERTY_SEED", 20261208);
    for (const auto& c : cases) {
        const long sequences = EnvNumber("QUILO_PROPERTY_SEQUENCES", c.sequences);
        for (long i = 0; i < sequences; ++i) {
            const auto seed = static_cast<std::uint32_t>(firstSeed + i);
            std::mt19937 rng(seed);
            TempDir dir;
            const test::RandomEvent ev = test::MakeRandomEvent(c.shape, rng);
            test::WriteEventFiles(dir, ev.files);
            if (const std::string failure = RunSequence(dir, rng, ev.bibs, &c.shape); !failure.empty()) {
                ADD_FAILURE() << c.shape.name << ", seed " << seed << " (QUILO_PROPERTY_SEED=" << seed
                              << " QUILO_PROPERTY_SEQUENCES=1)\n"
                              << failure;
                return;
            }
        }
    }
}

} // namespace
} // namespace quilo
