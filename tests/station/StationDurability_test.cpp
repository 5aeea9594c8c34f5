// Durability of what Quilo writes: a change record is on stable storage before SaveData
// returns; the settings file and both output files are replaced only once written
// whole; a change file cut off by a power failure replays every complete record; and a
// full disk leaves the previous file in place and reports the path and the reason.
#include "core/Cp932.h"
#include "core/Files.h"
#include "core/IniFile.h"
#include "core/Numbers.h"
#include "finish/ChangeFile.h"
#include "station/Messages.h"
#include "station/Station.h"

#include "ChildProcess.h"
#include "Clock.h"
#include "TestSupport.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>

#include <gtest/gtest.h>

namespace {

// The calls that make data durable, recorded while a test asks for them.
struct SyncCall {
    enum Kind { Fsync, Rename } kind;
    ino_t inode = 0; // Fsync: the file or folder synced
    bool folder = false;
    std::string from, to; // Rename
};

std::mutex g_callsMutex;
std::vector<SyncCall>* g_calls = nullptr;

void Record(SyncCall call) {
    std::lock_guard<std::mutex> lock(g_callsMutex);
    if (g_calls) g_calls->push_back(std::move(call));
}

} // namespace

// Interposed for the whole test program; they record, then do the real call.
extern "C" int fsync(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) == 0) Record({SyncCall::Fsync, st.st_ino, S_ISDIR(st.st_mode), {}, {}});
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

extern "C" int rename(const char* from, const char* to) {
    Record({SyncCall::Rename, 0, false, from, to});
#ifdef SYS_renameat2
    return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, 0));
#else
    return static_cast<int>(::syscall(SYS_rename, from, to));
#endif
}

namespace quilo {
namespace {

namespace fs = std::filesystem;
using test::FixedClock;
using test::ReadBytes;
using test::Strings;
using test::TempDir;
using test::WriteBytes;
using test::WriteCp932;

// Records the durability calls made during its lifetime.
class SyncRecorder {
public:
    SyncRecorder() {
        std::lock_guard<std::mutex> lock(g_callsMutex);
        g_calls = &calls_;
    }
    ~SyncRecorder() {
        std::lock_guard<std::mutex> lock(g_callsMutex);
        g_calls = nullptr;
    }
    std::vector<SyncCall> Take() {
        std::lock_guard<std::mutex> lock(g_callsMutex);
        return std::move(calls_);
    }

private:
    std::vector<SyncCall> calls_;
};

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

void WriteEvent(const TempDir& dir) {
    Strings start;
    for (int i = 1; i <= 59; ++i)
        start.push_back(std::to_string(10000 + i) + ",M21,10:" + ZeroPad(i, 2) + ":00," + std::to_string(100 + i) +
                        ",競技者の名前" + std::to_string(i) + "," + std::to_string(i % 10) + ",所属クラブ");
    Strings log;
    for (int i = 1; i <= 29; ++i)
        log.push_back("1,2,3,4,5,(" + std::to_string(10000 + i) +
                      "),31,0:10:00,32,0:20:00,33,0:30:00,100,0:" + std::to_string(30 + i) + ":00");
    test::WriteEventFiles(dir, {.course = {"**:M21", "1:31", "2:32", "3:33", "99:100"}, .startList = start, .finishLog = log});
}

// The way a replacement must go: the new file synced under its temporary name, renamed
// over the old one, then the folder synced so the new name survives a power failure.
void ExpectReplacedWhole(const std::vector<SyncCall>& calls, const std::string& path) {
    SCOPED_TRACE(path);
    const ino_t written = InodeOf(path);
    const ino_t folder = InodeOf(fs::path(path).parent_path().string());
    std::size_t fileSync = calls.size(), renamed = calls.size(), folderSync = calls.size();
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const SyncCall& c = calls[i];
        if (c.kind == SyncCall::Fsync && c.inode == written && fileSync == calls.size()) fileSync = i;
        if (c.kind == SyncCall::Rename && c.to == path) {
            renamed = i;
            EXPECT_NE(c.from, path);
        }
        if (c.kind == SyncCall::Fsync && c.folder && c.inode == folder && i > renamed) folderSync = std::min(folderSync, i);
    }
    ASSERT_LT(fileSync, calls.size()) << "the new file was never synced";
    ASSERT_LT(renamed, calls.size()) << "the file was not renamed into place";
    EXPECT_LT(fileSync, renamed) << "renamed before its data was synced";
    EXPECT_LT(folderSync, calls.size()) << "the folder was not synced after the rename";
}

TEST(Durability, ChangeRecordIsSyncedBeforeSaveDataReturns) {
    TempDir dir;
    WriteEvent(dir);
    Station st(dir.Path(), FixedClock(12, 0, 0));
    st.Startup();
    const std::string path = dir.File("Change.dat");
    {
        SyncRecorder rec;
        ASSERT_TRUE(st.SaveData("欠席/10001"));
        auto calls = rec.Take();
        // A new file: its data, and the folder entry that names it.
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[0].inode, InodeOf(path));
        EXPECT_FALSE(calls[0].folder);
        EXPECT_EQ(calls[1].inode, InodeOf(dir.Path()));
        EXPECT_TRUE(calls[1].folder);
    }
    {
        SyncRecorder rec;
        ASSERT_TRUE(st.SaveData("遅刻/10002,3"));
        auto calls = rec.Take();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].inode, InodeOf(path));
    }
    EXPECT_EQ(test::ReadCp932Lines(path), (Strings{"欠席/10001", "遅刻/10002,3"}));
}

TEST(Durability, OutputsAndSettingsAreReplacedOnlyOnceWrittenWhole) {
    TempDir dir;
    WriteEvent(dir);
    WriteBytes(dir.File("E_Result.txt"), "previous\r\n");
    WriteBytes(dir.File("Quilo.ini"), "TimeLimit=\r\n"); // empty: the start-up makes it dirty
    Station st(dir.Path(), FixedClock(12, 0, 0));
    st.Startup();
    {
        SyncRecorder rec;
        ASSERT_TRUE(st.WriteResults());
        ExpectReplacedWhole(rec.Take(), dir.File("E_Result.txt"));
    }
    {
        SyncRecorder rec;
        ASSERT_TRUE(st.WriteNotReturned());
        ExpectReplacedWhole(rec.Take(), dir.File("E_NoRet.txt"));
    }
    {
        SyncRecorder rec;
        ASSERT_TRUE(st.ReleaseSettings());
        ExpectReplacedWhole(rec.Take(), dir.File("Quilo.ini"));
    }
    EXPECT_EQ(test::ReadCp932Lines(dir.File("Quilo.ini"))[0], "TimeLimit=150");
    for (const auto& e : fs::directory_iterator(dir.Path()))
        EXPECT_EQ(e.path().string().find(".quilo-tmp"), std::string::npos) << e.path();
}

// Change files as a power failure can leave them, each followed by a new correction and
// a restart: every complete record is replayed, the new one too.
TEST(Durability, ChangeFileCutOffByAPowerFailure) {
    struct Case {
        const char* what;
        std::string tail; // after the complete records
        bool newRecordReplayed;
    } cases[] = {
        // The file grew but its last block was never written.
        {"a tail of NUL bytes", std::string(512, '\0'), true},
        // The last record was cut inside the first character of its kind.
        {"half a character", std::string("\x8C", 1), true},
        // Cut after the kind: an unknown card, which ends the replay there (a warning
        // tells the operator; the record is in the file for the next start).
        {"a record without its card", Utf8ToCp932("欠席/"), false},
        {"no cut at all", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        WriteEvent(dir);
        const std::string complete = Utf8ToCp932("参考/10002\r\n欠席/10001\r\n遅刻/10003,4\r\n");
        WriteBytes(dir.File("Change.dat"), complete + c.tail);
        {
            Station st(dir.Path(), FixedClock(12, 0, 0));
            st.Startup();
            EXPECT_TRUE(st.Tables().Entries[0][2].Reference);
            EXPECT_EQ(st.Tables().Entries[0][1].Status, "DNS");
            EXPECT_EQ(st.Tables().Entries[0][3].LateAddition, Time::Minutes(4));
            // The operator's next correction starts a line of its own.
            ASSERT_TRUE(st.SaveData("ＮＧ/10004,P2"));
        }
        const std::string bytes = ReadBytes(dir.File("Change.dat"));
        EXPECT_EQ(bytes.rfind(complete + c.tail, 0), 0u);
        const std::string added = Utf8ToCp932("ＮＧ/10004,P2") + "\r\n";
        ASSERT_GE(bytes.size(), added.size());
        EXPECT_EQ(bytes.substr(bytes.size() - added.size()), added);
        EXPECT_TRUE(c.tail.empty() || bytes.find("\r\n" + added) != std::string::npos);

        Station again(dir.Path(), FixedClock(12, 0, 0));
        again.Startup();
        EXPECT_TRUE(again.Tables().Entries[0][2].Reference);
        EXPECT_EQ(again.Tables().Entries[0][1].Status, "DNS");
        EXPECT_EQ(again.Tables().Entries[0][4].Status, c.newRecordReplayed ? "P2" : "OK");
    }
}

// A full disk, simulated by a file size limit in a child process: every write fails,
// the previous file stays as it was and the failure names the path and the reason.
TEST(Durability, FullDiskKeepsThePreviousFiles) {
    TempDir dir;
    WriteEvent(dir);
    const std::string previousResults = Utf8ToCp932("前回の成績") + "\r\n";
    WriteBytes(dir.File("E_Result.txt"), previousResults);
    WriteBytes(dir.File("E_NoRet.txt"), previousResults);
    // Settings larger than the limit, all keys present: the start-up writes nothing.
    std::vector<std::string> ini = {"SeisekiOutput=" + dir.File("E_Result.txt"),
                                    "MikikanOutput=" + dir.File("E_NoRet.txt"),
                                    "TimeLimit=150",
                                    "ClassListFontSize=9",
                                    "HistoryListFontSize=9",
                                    "EntryListFontSize=9",
                                    "Note=" + std::string(5000, 'n')};
    WriteCp932(dir.File("Quilo.ini"), ini);
    // A change file just under the limit, so that the next record crosses it.
    constexpr std::size_t kLimit = 1024;
    std::string changes;
    while (changes.size() + 24 < kLimit - 8)
        changes += Utf8ToCp932("参考/10001") + "\r\n" + Utf8ToCp932("公式/10001") + "\r\n";
    changes += std::string(kLimit - 8 - 2 - changes.size(), 'z') + "\r\n";
    ASSERT_EQ(changes.size(), kLimit - 8);
    WriteBytes(dir.File("Change.dat"), changes);
    const std::string settings = ReadBytes(dir.File("Quilo.ini"));

    std::string out = test::InChild([&]() -> std::string {
        struct rlimit limit {
            kLimit, kLimit
        };
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return "setrlimit failed";
        ::signal(SIGXFSZ, SIG_IGN);
        std::string problems;
        Station st(dir.Path(), FixedClock(12, 0, 0));
        st.Startup();
        if (st.OperationHistory().Count() != 4) problems += "start-up; ";
        st.Settings().SetItem("TimeLimit", "120");
        for (const Result<>& r : {test::Outcome(st.WriteResults()), test::Outcome(st.WriteNotReturned()),
                                  st.SaveData("欠席/10005"), st.ReleaseSettings()}) {
            if (r || ReasonText(r) != "ファイルが大きすぎます" || test::FailedPath(r).rfind(dir.Path() + "/", 0) != 0)
                problems += "write " + test::FailedPath(r) + ": " + ReasonText(r) + "; ";
        }
        // The data stays in memory, to be written once there is room.
        if (st.Tables().Entries[0][1].Place != 1) problems += "place; ";
        if (st.Settings().Item("TimeLimit") != "120") problems += "setting; ";
        return problems;
    });
    EXPECT_EQ(out, "");
    EXPECT_EQ(ReadBytes(dir.File("E_Result.txt")), previousResults);
    EXPECT_EQ(ReadBytes(dir.File("E_NoRet.txt")), previousResults);
    EXPECT_EQ(ReadBytes(dir.File("Change.dat")), changes);
    EXPECT_EQ(ReadBytes(dir.File("Quilo.ini")), settings);
    for (const auto& e : fs::directory_iterator(dir.Path()))
        EXPECT_EQ(e.path().string().find(".quilo-tmp"), std::string::npos) << e.path();
}

// The same on a really full file system, where one can be mounted (a tmpfs of 64 KiB
// in a mount namespace of a child); skipped where the privilege is missing.
TEST(Durability, FullFileSystemKeepsThePreviousFiles) {
    TempDir dir;
    const std::string event = dir.File("event");
    fs::create_directory(event);
    std::string out = test::InChild([&]() -> std::string {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", event.c_str(), "tmpfs", 0, "size=64k") != 0)
            return "SKIP";
        std::vector<std::string> start;
        for (int i = 1; i <= 300; ++i)
            start.push_back(std::to_string(10000 + i) + ",M21,10:00:00," + std::to_string(i) + "," + std::string(30, 'n') +
                            ",0," + std::string(30, 'c'));
        WriteCp932(event + "/Control.dat", {"**:M21", "99:100"});
        WriteCp932(event + "/Startlst.dat", start);
        WriteBytes(event + "/E_NoRet.txt", "previous\r\n");
        Station st(event, FixedClock(12, 0, 0));
        st.Startup();
        // Fill what is left of the file system.
        {
            std::string block(4096, 'f');
            int fd = ::open((event + "/filler").c_str(), O_WRONLY | O_CREAT, 0644);
            while (::write(fd, block.data(), block.size()) > 0) {
            }
            ::close(fd);
        }
        std::string problems;
        const Result<std::string> r = st.WriteNotReturned();
        if (r || ReasonText(r) != "ディスクの空き容量が不足しています" || test::FailedPath(r) != event + "/E_NoRet.txt")
            problems += "not-returned: " + test::FailedPath(r) + ": " + ReasonText(r) + "; ";
        if (ReadBytes(event + "/E_NoRet.txt") != "previous\r\n") problems += "previous file lost; ";
        if (fs::exists(event + "/E_NoRet.txt.quilo-tmp")) problems += "temporary file left; ";
        return problems;
    });
    if (out == "SKIP") GTEST_SKIP() << "no privilege to mount a tmpfs";
    EXPECT_EQ(out, "");
}

} // namespace
} // namespace quilo
