// The file functions when the system says no. The tests run as root in CI, where
// permission bits do not bind, so the failures come from the shape of the folder (a file
// where a folder belongs, a folder where a file belongs, a FIFO) and from a file size
// limit set in a child.
#include "core/Files.h"

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

void Check(const Result<>& r, const Expect& want, const std::string& path, const std::string& what) {
    ASSERT_FALSE(r) << what;
    EXPECT_EQ(r.Failure().kind, want.kind) << what;
    EXPECT_EQ(r.Failure().errnum, want.error) << what << ": " << r.Failure().errnum;
    EXPECT_EQ(r.Failure().path, path) << what;
}

TEST(FileFailures, EachFunctionNamesTheReasonAndThePath) {
    using Fn = std::function<Result<>(const std::string&)>;
    const Fn readLines = [](const std::string& p) { return test::Outcome(ReadTextLines(p)); };
    const Fn readBytes = [](const std::string& p) { return test::Outcome(ReadFileBytes(p)); };
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
        {"read lines, FIFO", readLines, Shape::Fifo, kNotRegular},
        {"read bytes, missing folder", readBytes, Shape::Missing, Sys(ENOENT)},
        {"read bytes, folder", readBytes, Shape::Folder, kNotRegular},
        {"read bytes, through a file", readBytes, Shape::ThroughFile, Sys(ENOTDIR)},
        {"read bytes, FIFO", readBytes, Shape::Fifo, kNotRegular},
        {"append, missing folder", append, Shape::Missing, Sys(ENOENT)},
        {"append, folder", append, Shape::Folder, Sys(EISDIR)},
        {"append, through a file", append, Shape::ThroughFile, Sys(ENOTDIR)},
        {"append, FIFO", append, Shape::Fifo, kNotRegular},
        {"durable append, folder", appendDurable, Shape::Folder, Sys(EISDIR)},
        {"durable append, FIFO", appendDurable, Shape::Fifo, kNotRegular},
        {"replace, missing folder", replace, Shape::Missing, Sys(ENOENT)},
        {"replace, folder", replace, Shape::Folder, Sys(EISDIR)},
        {"replace, through a file", replace, Shape::ThroughFile, Sys(ENOTDIR)},
        {"create, missing folder", create, Shape::Missing, Sys(ENOENT)},
        {"create, folder", create, Shape::Folder, Sys(EISDIR)},
        {"create, through a file", create, Shape::ThroughFile, Sys(ENOTDIR)},
        // No reader on the FIFO: the open without waiting fails instead of hanging.
        {"create, FIFO", create, Shape::Fifo, Sys(ENXIO)},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const std::string path = Make(dir, c.shape);
        Check(c.fn(path), c.want, path, c.name);
        // Nothing is left behind beside the target, a temporary file least of all.
        struct stat st {};
        EXPECT_NE(::stat((path + kTempSuffix).c_str(), &st), 0) << c.name;
    }
}

TEST(FileFailures, ReplaceRefusesWhenItsTemporaryNameIsAFolder) {
    TempDir dir;
    const std::string path = dir.File("Results.txt");
    test::WriteBytes(path, "old\r\n");
    ::mkdir((path + kTempSuffix).c_str(), 0755);
    const Result<> r = ReplaceFile(path, {"new"});
    Check(r, Sys(EISDIR), path, "temporary is a folder");
    EXPECT_EQ(test::ReadBytes(path), "old\r\n");
}

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

TEST(FileFailures, AFullDiskLeavesNoPartialRecord) {
    // The second record would cross the limit: the file must be cut back to the first.
    for (bool durable : {false, true}) {
        TempDir dir;
        const std::string path = dir.File("Regnly.log");
        test::WriteBytes(path, "0001,10:00:00\r\n");
        const std::string before = test::ReadBytes(path);
        const std::string out = WithSizeLimit(before.size() + 8, [&]() -> std::string {
            const Result<> r = durable ? AppendLineDurable(path, "0002,10:00:01,a longer record")
                                       : AppendLine(path, "0002,10:00:01,a longer record");
            if (r) return "append succeeded past the limit";
            if (r.Failure().errnum != EFBIG) return "error " + std::to_string(r.Failure().errnum);
            return "";
        });
        EXPECT_EQ(out, "") << durable;
        EXPECT_EQ(test::ReadBytes(path), before) << durable;
    }
}

TEST(FileFailures, AFullDiskKeepsThePreviousFileOnReplace) {
    TempDir dir;
    const std::string path = dir.File("Results.txt");
    test::WriteBytes(path, "old\r\n");
    const std::string out = WithSizeLimit(16, [&]() -> std::string {
        const Result<> r = ReplaceFile(path, {"a line much longer than the sixteen bytes allowed"});
        if (r) return "replace succeeded past the limit";
        if (r.Failure().errnum != EFBIG) return "error " + std::to_string(r.Failure().errnum);
        return "";
    });
    EXPECT_EQ(out, "");
    EXPECT_EQ(test::ReadBytes(path), "old\r\n");
    struct stat st {};
    EXPECT_NE(::stat((path + kTempSuffix).c_str(), &st), 0);
}

TEST(FileFailures, AReplacementWrittenInPiecesKeepsThePreviousFileUntilWhole) {
    // Failing far past the first buffer's worth, not committed, committed: only the last
    // replaces the file, and no temporary file is left.
    enum class End { DiskFull, NoCommit, Commit };
    for (End end : {End::DiskFull, End::NoCommit, End::Commit}) {
        TempDir dir;
        const std::string path = dir.File("E_Result.xml");
        test::WriteBytes(path, "old\r\n");
        // Small pieces gather in the buffer, large ones go straight to the file.
        const std::string small(1000, 's'), large(99000, 'l');
        const std::string out = WithSizeLimit(end == End::DiskFull ? 300000 : RLIM_INFINITY, [&]() -> std::string {
            FileReplacement file(path);
            for (int i = 0; i < 10; ++i) {
                file.Write(small);
                file.Write(large);
            }
            if (end == End::NoCommit) return file.Failed() ? "failed" : "";
            const Result<> r = file.Commit();
            if (end == End::Commit) return r ? "" : "commit failed";
            if (r || !file.Failed()) return "replace succeeded past the limit";
            if (r.Failure().errnum != EFBIG || r.Failure().path != path)
                return "error " + std::to_string(r.Failure().errnum) + " at " + r.Failure().path;
            return "";
        });
        EXPECT_EQ(out, "") << int(end);
        EXPECT_EQ(test::ReadBytes(path).size(), end == End::Commit ? 1000000u : 5u) << int(end);
        struct stat st {};
        EXPECT_NE(::stat((path + kTempSuffix).c_str(), &st), 0) << int(end);
    }
}

TEST(FileFailures, AppendEndsAnOpenLastLineWhateverItsEnd) {
    struct Case {
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {"", "2\r\n"},
        {"1", "1\r\n2\r\n"},
        {"1\r", "1\r2\r\n"},
        {"1\n", "1\n2\r\n"},
        {"1\r\n", "1\r\n2\r\n"},
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
    test::WriteBytes(dir.File(suffix), "only the suffix");           // no name before it
    test::WriteBytes(dir.File("b.txt"), "kept");
    ::mkdir(dir.File("c" + suffix).c_str(), 0755);                   // a folder is not a temp
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
