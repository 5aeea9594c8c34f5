// Reading Regnly.log while the card-reading software appends to it, a line at a time
// and sometimes a line in two pieces: the reader never crashes and never holds the
// writer up; every line complete when a read began comes out whole and gives its exact
// result; a last line still being written is read as the text it holds at that moment,
// and the next read takes it whole.
#include "finish/FinishLog.h"

#include "core/Files.h"
#include "readers/CourseFile.h"
#include "readers/StartList.h"

#include "Clock.h"
#include "TestSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

namespace quilo {
namespace {

using namespace std::chrono_literals;
using Clock_ = std::chrono::steady_clock;

constexpr int kCards = 150;

std::string CardText(int i) { return std::to_string(20000 + i); }

std::string LogLine(int i) {
    // A different finish time per card; two course punches before it.
    return std::to_string(i + 1) + ",2026/12/06,11:00:00,0001,R,(" + CardText(i) +
           "),31,0:10:00,32,0:20:00,100,0:" + std::to_string(30 + i % 30) + ":" + std::to_string(10 + i % 50);
}

Time FinishOf(int i) { return Time::Hms(0, 30 + i % 30, 10 + i % 50); }

// The reading software: opens the log for appending and writes one line per card; every
// third line goes out in two pieces with a pause between them, cut at a varying byte
// (inside the card number, a time, or between CR and LF).
class Writer {
public:
    explicit Writer(std::string path) : path_(std::move(path)) {}

    void Run() {
        int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
        if (fd < 0) {
            failed_ = true;
            done_ = true;
            return;
        }
        for (int i = 0; i < kCards; ++i) {
            const std::string line = LogLine(i) + "\r\n";
            if (i % 3 == 0) {
                const std::size_t cut = 1 + static_cast<std::size_t>(i * 7) % (line.size() - 1);
                Write(fd, line.substr(0, cut));
                std::this_thread::sleep_for(2ms);
                Write(fd, line.substr(cut));
            } else {
                Write(fd, line);
            }
            written_ = i + 1;
            std::this_thread::sleep_for(300us);
        }
        ::close(fd);
        done_ = true;
    }

    bool Done() const { return done_; }
    bool Failed() const { return failed_; }
    Clock_::duration LongestWrite() const { return Clock_::duration(longest_.load()); }

private:
    void Write(int fd, const std::string& piece) {
        const auto start = Clock_::now();
        if (::write(fd, piece.data(), piece.size()) != static_cast<ssize_t>(piece.size())) failed_ = true;
        const auto took = (Clock_::now() - start).count();
        if (took > longest_) longest_ = took;
    }

    std::string path_;
    std::atomic<bool> done_{false};
    std::atomic<bool> failed_{false};
    std::atomic<int> written_{0};
    std::atomic<Clock_::rep> longest_{0};
};

// Complete lines (ended by CR LF) among the first `size` bytes of the log.
int CompleteLines(const std::string& path, off_t size) {
    std::string bytes = test::ReadBytes(path).substr(0, static_cast<std::size_t>(size));
    int n = 0;
    for (std::size_t p = bytes.find("\r\n"); p != std::string::npos; p = bytes.find("\r\n", p + 2)) ++n;
    return n;
}

off_t SizeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

struct ConcurrentWriterTest : ::testing::Test {
    test::TempDir dir;
    std::unique_ptr<Event> ev = std::make_unique<Event>();
    History history{test::FixedClock(12, 0, 0)};

    void SetUp() override {
        test::WriteCp932(dir.File("Control.dat"), {"**:M21", "1:31", "2:32", "99:100"});
        std::vector<std::string> start;
        for (int i = 0; i < kCards; ++i)
            start.push_back(CardText(i) + ",M21,10:00:00," + std::to_string(i + 1) + ",名前,0,クラブ");
        test::WriteCp932(dir.File("Startlst.dat"), start);
        ASSERT_TRUE(test::Into(history, ReadCourseFile(*ev, dir.File("Control.dat"))));
        const Result<StartListRead> read = test::Into(history, ReadStartList(*ev, dir.File("Startlst.dat")));
        ASSERT_TRUE(read && !read->undefinedClass);
        test::WriteBytes(dir.File("Regnly.log"), "");
    }
};

TEST_F(ConcurrentWriterTest, LineReaderSeesWholeLinesAndThePartOfTheLastOne) {
    const std::string path = dir.File("Regnly.log");
    Writer writer(path);
    std::thread thread([&] { writer.Run(); });
    int passes = 0, partial = 0;
    bool last = false;
    while (!last) {
        last = writer.Done(); // one more pass after the writer has finished
        LineReader reader(path);
        ASSERT_TRUE(reader.IsOpen());
        std::vector<std::string> lines;
        std::string_view line;
        while (reader.Next(line)) lines.emplace_back(line);
        for (std::size_t k = 0; k < lines.size(); ++k) {
            ASSERT_LT(k, static_cast<std::size_t>(kCards));
            const std::string expected = LogLine(static_cast<int>(k));
            if (k + 1 < lines.size()) {
                ASSERT_EQ(lines[k], expected) << "pass " << passes;
            } else {
                // The line being written: what it holds so far.
                ASSERT_EQ(expected.rfind(lines[k], 0), 0u) << "pass " << passes << ": " << lines[k];
                if (lines[k] != expected) ++partial;
            }
        }
        if (last) {
            ASSERT_EQ(lines.size(), static_cast<std::size_t>(kCards));
        }
        ++passes;
    }
    thread.join();
    EXPECT_FALSE(writer.Failed());
    EXPECT_LT(writer.LongestWrite(), 5s);
    EXPECT_GT(passes, 1);
    RecordProperty("passes", passes);
    RecordProperty("partial_last_lines", partial);
}

TEST_F(ConcurrentWriterTest, FinishLogReaderKeepsEveryCompleteRecordExact) {
    const std::string path = dir.File("Regnly.log");
    Writer writer(path);
    std::thread thread([&] { writer.Run(); });
    int passes = 0;
    bool last = false;
    while (!last) {
        last = writer.Done();
        // Lines complete before the read began must come out exact.
        const int complete = CompleteLines(path, SizeOf(path));
        ASSERT_TRUE(ReadFinishLogFile(*ev, path, history, {}));
        for (int i = 0; i < complete; ++i) {
            const EntryRecord& r = ev->Entries[0][i + 1];
            ASSERT_EQ(r.CheckStatus, "") << "pass " << passes << " card " << i;
            ASSERT_EQ(r.RunningTime, FinishOf(i)) << "pass " << passes << " card " << i;
            ASSERT_EQ(ev->PunchTimes[i][1], Time::Hms(0, 10, 0));
            ASSERT_EQ(ev->PunchTimes[i][2], Time::Hms(0, 20, 0));
        }
        ++passes;
    }
    thread.join();
    EXPECT_FALSE(writer.Failed());
    EXPECT_LT(writer.LongestWrite(), 5s);
    // After the writer is done every card is read whole, whatever the passes before saw.
    for (int i = 0; i < kCards; ++i) EXPECT_EQ(ev->Entries[0][i + 1].RunningTime, FinishOf(i)) << i;
    RecordProperty("passes", passes);
}

} // namespace
} // namespace quilo
