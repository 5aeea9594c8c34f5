// Change.dat that cannot be read: the reason comes back and neither the tables nor the
// history take anything from it (the window then warns once, from the result).
#include "finish/ChangeFile.h"

#include "Clock.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <memory>

namespace quilo {
namespace {

TEST(ChangeFileFailures, AnUnreadableFileChangesNothing) {
    test::TempDir dir;
    ::mkdir(dir.File("folder").c_str(), 0755);
    test::WriteBytes(dir.File("plain"), "x");
    struct Case {
        std::string path;
        Error::Kind kind;
        int error;
    };
    const Case cases[] = {
        {dir.File("folder"), Error::Kind::NotRegularFile, 0},
        {dir.File("plain/Change.dat"), Error::Kind::System, ENOTDIR},
        {dir.File("missing/Change.dat"), Error::Kind::System, ENOENT},
    };
    for (const auto& c : cases) {
        auto ev = std::make_unique<Event>();
        History history{test::FixedClock(9, 0, 0)};
        const Result<> r = test::Outcome(test::Into(history, LoadChangeFile(*ev, c.path)));
        ASSERT_FALSE(r) << c.path;
        EXPECT_EQ(r.Failure().kind, c.kind) << c.path;
        EXPECT_EQ(r.Failure().errnum, c.error) << c.path;
        EXPECT_TRUE(history.Lines().empty()) << c.path;
        EXPECT_EQ(ev->Cards.Count(), 0) << c.path;
    }
}

} // namespace
} // namespace quilo
