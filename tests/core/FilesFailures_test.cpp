// The file functions when the system says no. The tests run as root in CI, where
// permission bits do not bind, so the failures come from the shape of the folder (a file
// where a folder belongs, a folder where a file belongs, a FIFO) and from a file size
// limit set in a child.
#include "core/Files.h"
#include "core/IniFile.h"
#include "core/Paths.h"

#include "ChildProcess.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

namespace quilo {
namespace {

using test::TempDir;

enum class Shape { Missing, Folder, ThroughFile, Fifo };

// Puts `shape` at dir/"target" and returns the path the functions are given.
std::string Make(const TempDir& dir, Shape shape) {
    const std::string target = dir.File("target");
    switch (shape) {
    case Shape::Missing: return dir.File("missing/target");
    case Shape::Folder: ::mkdir(target.c_str(), 0755); return target;
    case Shape::ThroughFile: test::WriteBytes(dir.File("plain"), "x\r\n"); return dir.File("plain/target");
    case Shape::Fifo: ::mkfifo(target.c_str(), 0644); return target;
    }
    return target;
}

struct Expect {
    Error::Kind kind;
    int error;
};
constexpr Expect Sys(int e) { return {Error::Kind::System, e}; }
constexpr Expect kNotRegular{Error::Kind::NotRegularFile, 0};

bool Refused(const Result<>& r, const Expect& want, const std::string& path) {
    return !r && r.Failure().kind == want.kind && r.Failure().errnum == want.error && r.Failure().path == path;
}

TEST(FileFailures, EachFunctionNamesTheReasonAndThePath) {
    using Fn = std::function<Result<>(const std::string&)>;
    const Fn readLines = [](const std::string& p) { return test::Outcome(ReadTextLines(p)); };
    const Fn readBytes = [](const std::string& p) { return test::Outcome(ReadFileBytes(p)); };
    const Fn lineReader = [](const std::string& p) { return LineReader(p).Status(); };
    const Fn append = [](const std::string& p) { return AppendLine(p, "1"); };
    const Fn appendDurable = [](const std::string& p) { return AppendLineDurable(p, "1"); };
    const Fn replace = [](const std::string& p) { return ReplaceFile(p, {"1"}); };
    const Fn create = [](const std::string& p) { return CreateEmptyFile(p); };
    struct Case {
        const char* name;
        Fn fn;
        Shape shape;
        Expect want;
    };
    const Case cases[] = {
        {"read lines, missing folder", readLines, Shape::Missing, Sys(ENOENT)},
        {"read lines, folder", readLines, Shape::Folder, kNotRegular},
        {"read lines, through a file", readLines, Shape::ThroughFile, Sys(ENOTDIR)},
        {"line reader, missing folder", lineReader, Shape::Missing, Sys(ENOENT)},
        {"line reader, folder", lineReader, Shape::Folder, kNotRegular},
        {"line reader, through a file", lineReader, Shape::ThroughFile, Sys(ENOTDIR)},
        {"read bytes, missing folder", readBytes, Shape::Missing, Sys(ENOENT)},
        {"read bytes, folder", readBytes, Shape::Folder, kNotRegular},
        {"read bytes, through a file", readBytes, Shape::ThroughFile, Sys(ENOTDIR)},
        {"append, missing folder", append, Shape::Missing, Sys(ENOENT)},
        {"append, folder", append, Shape::Folder, Sys(EISDIR)},
        {"append, through a file", append, Shape::ThroughFile, Sys(ENOTDIR)},
        {"durable append, folder", appendDurable, Shape::Folder, Sys(EISDIR)},
        {"replace, missing folder", replace, Shape::Missing, Sys(ENOENT)},
        {"replace, folder", replace, Shape::Folder, Sys(EISDIR)},
        {"replace, through a file", replace, Shape::ThroughFile, Sys(ENOTDIR)},
        {"create, missing folder", create, Shape::Missing, Sys(ENOENT)},
        {"create, folder", create, Shape::Folder, Sys(EISDIR)},
        {"create, through a file", create, Shape::ThroughFile, Sys(ENOTDIR)},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string path = Make(dir, c.shape);
        EXPECT_TRUE(Refused(c.fn(path), c.want, path)) << c.name;
        // Nothing is left behind beside the target, a temporary file least of all.
        struct stat st {};
        EXPECT_NE(::stat((path + kTempSuffix).c_str(), &st), 0) << c.name;
    }
}

TEST(FileFailures, AFifoIsRefusedAtOnce) {
    TempDir dir;
    const std::string fifo = Make(dir, Shape::Fifo);
    // In a child with an alarm: before the fix the open blocked forever.
    EXPECT_EQ(test::InChild([&]() -> std::string {
                  ::alarm(20);
                  IniFile ini; // no settings, created nowhere, held in memory
                  const std::pair<const char*, bool> rows[] = {
                      {"read lines", Refused(test::Outcome(ReadTextLines(fifo)), kNotRegular, fifo)},
                      {"line reader", Refused(LineReader(fifo).Status(), kNotRegular, fifo)},
                      {"read bytes", Refused(test::Outcome(ReadFileBytes(fifo)), kNotRegular, fifo)},
                      {"append", Refused(AppendLine(fifo, "1"), kNotRegular, fifo)},
                      {"durable append", Refused(AppendLineDurable(fifo, "1"), kNotRegular, fifo)},
                      // No reader on the FIFO: the open without waiting fails instead of hanging.
                      {"create", Refused(CreateEmptyFile(fifo), Sys(ENXIO), fifo)},
                      {"exists", !FileExists(fifo)},
                      {"settings", ini.SetFileName(fifo) && (ini.SetItem("TimeLimit", "150"), ini.Item("TimeLimit") == "150")},
                      {"no temporary file", ::access((fifo + kTempSuffix).c_str(), F_OK) != 0},
                  };
                  std::string problems;
                  for (const auto& [name, ok] : rows) problems += ok ? "" : std::string(name) + "; ";
                  return problems;
              }),
              "");
}

TEST(FileFailures, ReplaceRefusesWhenItsTemporaryNameIsAFolder) {
    TempDir dir;
    const std::string path = dir.File("Results.txt");
    test::WriteBytes(path, "old\r\n");
    ::mkdir((path + kTempSuffix).c_str(), 0755);
    const Result<> r = ReplaceFile(path, {"new"});
    EXPECT_TRUE(Refused(r, Sys(EISDIR), path)) << "temporary is a folder";
    EXPECT_EQ(test::ReadBytes(path), "old\r\n");
}

std::string ReasonCode(const Result<>& r) { return r ? "none" : std::to_string(r.Failure().errnum); }

// Runs `body` in a child whose files may not grow past `limit` bytes (writes past it fail
// with EFBIG instead of killing the child).
std::string WithSizeLimit(rlim_t limit, const std::function<std::string()>& body) {
    return test::InChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit rl{limit, limit};
        if (::setrlimit(RLIMIT_FSIZE, &rl) != 0) return std::string("setrlimit failed");
        return body();
    });
}

TEST(FileFailures, AFullDiskLeavesEveryFileAsItWas) {
    // Small pieces gather in the buffer, large ones go straight to the file.
    const std::string small(1000, 's'), large(99000, 'l');
    std::string whole;
    for (int i = 0; i < 10; ++i) whole += small + large;
    auto inPieces = [&](const std::string& p, bool commit) -> Result<> {
        FileReplacement file(p);
        for (int i = 0; i < 10; ++i) {
            file.Write(small);
            file.Write(large);
        }
        if (!commit) return file.Failed() ? Result<>(Error::FromErrno(p, EIO)) : Result<>();
        const Result<> r = file.Commit();
        // A failed commit leaves the replacement failed too.
        return !r && !file.Failed() ? Result<>() : r;
    };
    const std::string record = "0001,10:00:00\r\n";
    struct Case {
        const char* name;
        std::string before;
        rlim_t limit;
        std::function<Result<>(const std::string&)> write;
        int error; // 0: the write works
        std::string after;
    };
    const Case cases[] = {
        // The second record would cross the limit: the file must be cut back to the first.
        {"append", record, record.size() + 8,
         [](const std::string& p) { return AppendLine(p, "0002,10:00:01,a longer record"); }, EFBIG, record},
        {"durable append", record, record.size() + 8,
         [](const std::string& p) { return AppendLineDurable(p, "0002,10:00:01,a longer record"); }, EFBIG, record},
        {"replace", "old\r\n", 16,
         [](const std::string& p) { return ReplaceFile(p, {"a line much longer than the sixteen bytes allowed"}); }, EFBIG,
         "old\r\n"},
        // Failing far past the first buffer's worth, not committed, committed: only the last
        // replaces the file.
        {"replace in pieces", "old\r\n", 300000, [&](const std::string& p) { return inPieces(p, true); }, EFBIG, "old\r\n"},
        {"pieces not committed", "old\r\n", RLIM_INFINITY, [&](const std::string& p) { return inPieces(p, false); }, 0,
         "old\r\n"},
        {"pieces committed", "old\r\n", RLIM_INFINITY, [&](const std::string& p) { return inPieces(p, true); }, 0, whole},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string path = dir.File("target");
        test::WriteBytes(path, c.before);
        const std::string out = WithSizeLimit(c.limit, [&]() -> std::string {
            const Result<> r = c.write(path);
            if (c.error == 0) return r ? "" : "failed: " + ReasonCode(r);
            if (r) return "succeeded past the limit";
            if (r.Failure().errnum != c.error || r.Failure().path != path)
                return "error " + ReasonCode(r) + " at " + r.Failure().path;
            return "";
        });
        EXPECT_EQ(out, "") << c.name;
        EXPECT_EQ(test::ReadBytes(path), c.after) << c.name;
        struct stat st {};
        EXPECT_NE(::stat((path + kTempSuffix).c_str(), &st), 0) << c.name;
    }
}

TEST(FileFailures, AppendEndsAnOpenLastLineWhateverItsEnd) {
    struct Case {
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {"", "2\r\n"}, {"1", "1\r\n2\r\n"}, {"1\r", "1\r2\r\n"}, {"1\n", "1\n2\r\n"}, {"1\r\n", "1\r\n2\r\n"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string path = dir.File("log");
        if (*c.before) test::WriteBytes(path, c.before);
        ASSERT_TRUE(AppendLineDurable(path, "2")) << c.before;
        EXPECT_EQ(test::ReadBytes(path), c.after) << c.before;
    }
}

TEST(FileFailures, NamesWithoutAFolderAreSyncedThroughTheWorkingFolder) {
    // A name without a folder is synced through "." (in a child: the working folder changes).
    TempDir dir;
    const std::string out = test::InChild([&]() -> std::string {
        if (::chdir(dir.Path().c_str()) != 0) return "chdir failed";
        if (!AppendLineDurable("log", "1")) return "append failed";
        if (!ReplaceFile("list", {"a"})) return "replace failed";
        return "";
    });
    EXPECT_EQ(out, "");
    EXPECT_EQ(test::ReadBytes(dir.File("log")), "1\r\n");
    EXPECT_EQ(test::ReadBytes(dir.File("list")), "a\r\n");
}

TEST(FileFailures, LeftoverTempsGoButNothingElse) {
    TempDir dir;
    const std::string suffix = kTempSuffix;
    test::WriteBytes(dir.File("a.txt" + suffix), "left over");
    test::WriteBytes(dir.File(suffix), "only the suffix"); // no name before it
    test::WriteBytes(dir.File("b.txt"), "kept");
    ::mkdir(dir.File("c" + suffix).c_str(), 0755);                                      // a folder is not a temp
    ASSERT_EQ(::symlink(dir.File("b.txt").c_str(), dir.File("d" + suffix).c_str()), 0); // never followed
    test::WriteBytes(dir.File("e.txt" + suffix), "being written");
    // A writer at work holds its lock (another open file description conflicts).
    const int held = ::open(dir.File("e.txt" + suffix).c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    RemoveLeftoverTemps(dir.Path());
    ::close(held);

    struct stat st {};
    EXPECT_NE(::lstat(dir.File("a.txt" + suffix).c_str(), &st), 0);
    EXPECT_EQ(::lstat(dir.File(suffix).c_str(), &st), 0);
    EXPECT_EQ(::lstat(dir.File("b.txt").c_str(), &st), 0);
    EXPECT_EQ(::lstat(dir.File("c" + suffix).c_str(), &st), 0);
    EXPECT_EQ(::lstat(dir.File("d" + suffix).c_str(), &st), 0);
    EXPECT_EQ(::lstat(dir.File("e.txt" + suffix).c_str(), &st), 0);
    // A folder that is not there is no error.
    RemoveLeftoverTemps(dir.File("missing"));
}

} // namespace
} // namespace quilo
