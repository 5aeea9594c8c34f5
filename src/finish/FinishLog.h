#pragma once
#include "core/Calendar.h"
#include "core/Event.h"
#include "core/Files.h"
#include "core/History.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quilo {

// Shows the spare-card question for a spare card, named by its start-list row (the
// competitor number the card index gives it). The answer comes back through `tag`: set
// to "*" when the card was assigned, left "" otherwise.
using SparePrompt = std::function<void(int spareRow)>;

// The card number text of a raw log line: the five characters after the first "(",
// or the first five characters when the line has no "(".
std::string CardNumberText(std::string_view rawLine);

// The punch check of one raw log line (CP932 bytes) for competitor n of class c:
// writes PunchTimes(n, 1..ControlCount(c)) and (n, 31) and the result fields of the
// competitor's record, manual fields applied on top.
void CheckLine(Event& ev, int n, std::string_view rawLine);

// Reads the whole finish log: every line, then the history line and the warnings.
// Does nothing when the file does not exist or cannot be opened. The caller runs the
// status refresh.
// `byteLimit` leaves out what follows the first that many bytes (a line in progress).
IoResult ReadFinishLogFile(Event& ev, const std::string& path, History& history, std::string& tag,
                           const SparePrompt& prompt, std::uint64_t byteLimit = UINT64_MAX);
// The date of the log's first read: the second field (YYYY/MM/DD) of the first line
// that holds a comma and a real date there. Stops at that line; nothing
// when the log is missing or holds no such line. The offset is left at its default.
std::optional<LocalDate> FirstReadDate(const std::string& path);
// The same read over the log's bytes in memory.
void ReadFinishLogText(Event& ev, std::string_view bytes, History& history, std::string& tag, const SparePrompt& prompt,
                       std::uint64_t byteLimit = UINT64_MAX);

} // namespace quilo
