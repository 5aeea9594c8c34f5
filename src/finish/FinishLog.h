#pragma once
#include "core/Calendar.h"
#include "core/Event.h"
#include "core/Files.h"
#include "core/History.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace quilo {

// The operator's answer to the spare-card question.
enum class SpareAnswer { Assigned, Cancelled };
// Asks the spare-card question for a spare card, named by its start-list row (the
// competitor number the card index gives it). Assigned: the line is checked for whoever
// the card leads to now. Cancelled (or no prompt): the line stays unassigned.
using SparePrompt = std::function<SpareAnswer(int spareRow)>;

// The card number text of a raw log line: the five characters after the first "(",
// or the first five characters when the line has no "(".
std::string CardNumberText(std::string_view rawLine);

// The punch check of one raw log line (CP932 bytes) for competitor n of class c:
// writes PunchTimes(n, 1..ControlCount(c)) and (n, 31) and the result fields of the
// competitor's record, manual fields applied on top.
void CheckLine(Event& ev, int n, std::string_view rawLine);

// Reads the whole finish log: every line, then the history line and the warnings.
// Does nothing when the file does not exist or cannot be opened; a read that fails
// midway reports the lines read before it and gives the error. The caller runs the
// status refresh.
// `byteLimit` leaves out what follows the first that many bytes (a line in progress).
Result<> ReadFinishLogFile(Event& ev, const std::string& path, History& history, const SparePrompt& prompt,
                           std::uint64_t byteLimit = UINT64_MAX);
// The date of the log's first read: the second field (YYYY/MM/DD) of the first line
// that holds a comma and a real date there. Stops at that line; nothing
// when the log is missing or holds no such line. The offset is left at its default.
std::optional<LocalDate> FirstReadDate(const std::string& path);
// A digest of a file's first bytes, taken piece by piece (any cut gives the same): four
// lanes of 64 bits, each block of 32 bytes mixed bijectively into them, and the length.
class ByteDigest {
public:
    void Add(std::string_view bytes);
    bool operator==(const ByteDigest& o) const;

private:
    void Block(const unsigned char* p);
    std::array<std::uint64_t, 4> lanes_{0x9E3779B185EBCA87ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull,
                                        0x85EBCA77C2B2AE63ull};
    std::uint64_t length_ = 0;
    std::array<unsigned char, 32> rest_{}; // the bytes of a block not yet whole
};

// Where a read of the finish log stopped, kept for the next read to take only the lines
// appended since: the file read, its bytes read (whole lines only, the last a line
// feed) and their digest, and what those lines met: each card and the competitor it led
// to (-1: none), the line count, the first unreadable time. Holds nothing before the
// first read and after a read that stopped inside a line or saw a card lead elsewhere.
struct LogPlace {
    bool holds = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t offset = 0;
    ByteDigest digest;
    int rows = 0; // the start list's rows then
    int lines = 0;
    int firstUnreadableTimeLine = 0;
    std::optional<int> lastFound; // where the last line with a known card led
    std::unordered_map<std::string, int> cards;
    void Forget() { *this = LogPlace(); }
};

// ReadFinishLogFile for a reader that follows the log, leaving in `place` where it
// stopped. When `quietSpare` is given and `place` holds a read of this same file whose
// bytes are all still there unchanged, every card met in them still leads to the same
// competitor, and `quietSpare` says the question would not be asked again for any spare
// card met (so a read from the first line would ask nothing before the new lines), only
// the lines after it are read: the tables and history end as a read from the first line
// leaves them. Otherwise the whole log is read. The value tells which it was (true: only
// the appended lines). A read that fails midway keeps no place.
Result<bool> ReadFinishLogFollowing(Event& ev, const std::string& path, History& history, const SparePrompt& prompt,
                                    LogPlace& place, const std::function<bool(int spareRow)>& quietSpare,
                                    std::uint64_t byteLimit = UINT64_MAX);

// The same read over the log's bytes in memory.
void ReadFinishLogText(Event& ev, std::string_view bytes, History& history, const SparePrompt& prompt,
                       std::uint64_t byteLimit = UINT64_MAX);

} // namespace quilo
