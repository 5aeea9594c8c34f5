// The live look at the finish log: anything but a regular file at its path (nothing, a
// folder, a FIFO, a path through a file) reads as no log, at once and without blocking.
#include "station/LiveReader.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quilo {
namespace {

TEST(ProbeLog, OnlyARegularFileIsALog) {
    test::TempDir dir;
    ::mkdir(dir.File("folder").c_str(), 0755);
    ::mkfifo(dir.File("fifo").c_str(), 0644);
    test::WriteBytes(dir.File("plain"), "x");
    for (const char* name : {"missing", "folder", "fifo", "plain/Regnly.log"}) {
        const LogSignature sig = ProbeLog(dir.File(name));
        EXPECT_FALSE(sig.exists) << name;
        EXPECT_EQ(sig.size, 0u) << name;
        EXPECT_EQ(sig, LogSignature{}) << name;
    }
    test::WriteBytes(dir.File("Regnly.log"), "1,2\r\n3,4");
    const LogSignature sig = ProbeLog(dir.File("Regnly.log"));
    EXPECT_TRUE(sig.exists);
    EXPECT_EQ(sig.size, 8u);
    EXPECT_EQ(sig.wholeBytes, 5u); // up to the end of the last whole line
    EXPECT_FALSE(sig == LogSignature{});
}

} // namespace
} // namespace quilo
