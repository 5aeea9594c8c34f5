#include "finish/FinishLog.h"

#include "core/Cp932.h"
#include "core/Files.h"
#include "core/General.h"
#include "finish/ResultFields.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace quilo {
namespace {

constexpr int kFinishMark = 99;  // position of a punch placed as the finish

struct PlacedPunch {
    int position;  // course position, kFinishMark for the finish, 0 when not on the course
    Time time;
    int code = 0;  // the code as punched, for the split times
};

// The leading-number rule, with a short cut for the usual code of plain digits.
std::int64_t CodeOf(std::string_view text) {
    if (!text.empty() && text.size() <= 9) {
        std::int64_t v = 0;
        bool digits = true;
        for (char ch : text) {
            if (ch < '0' || ch > '9') {
                digits = false;
                break;
            }
            v = v * 10 + (ch - '0');
        }
        if (digits) return v;
    }
    return RoundHalfEven(LeadingNumber(text));
}

bool Matches(const Alternatives& alternatives, std::int64_t code) {
    return code == alternatives[0] || code == alternatives[1] || code == alternatives[2];
}

// Course position of every small code, per class: the lowest matching position, or the
// finish mark; built once per read instead of scanning 31 x 3 codes per punch.
struct CourseLookup {
    static constexpr int kCodes = 1024;
    std::vector<std::array<std::uint8_t, kCodes>> position;

    explicit CourseLookup(const Event& ev) : position(ev.CourseControls.size()) {
        for (std::size_t c = 0; c < position.size(); ++c) {
            std::uint8_t* t = position[c].data();
            std::fill(t, t + kCodes, std::uint8_t{0});
            const int count = std::clamp(ev.ControlCount[c], 0, kPositions);
            for (int p = count; p >= 1; --p)
                for (int a = kAlternatives - 1; a >= 0; --a) {
                    const int code = ev.CourseControls[c][p][a];
                    if (code >= 0 && code < kCodes) t[code] = static_cast<std::uint8_t>(p);
                }
            for (int a = 0; a < kAlternatives; ++a) {
                const int code = ev.CourseControls[c][kFinishPosition][a];
                if (code >= 0 && code < kCodes) t[code] = static_cast<std::uint8_t>(kFinishMark);
            }
        }
    }
};

std::string Outcome(int missing) {
    if (missing == 100) return "DNQ";
    if (missing == 99) return "DNF";
    if (missing > 0) return "P" + std::to_string(missing);
    return {};
}

// The punch check; true when a punch was left out because its time could not be read.
bool CheckPunches(Event& ev, int n, std::string_view rawLine, const CourseLookup* lookup) {
    if (!ev.EntryOf(n)) return false;
    const int c = ev.EntryClass[n];
    const int s = ev.EntrySlot[n];
    const int count = std::clamp(ev.ControlCount[c], 0, kPositions);
    const auto& course = ev.CourseControls[c];

    // The list lives as long as the program so that reading a long log allocates once.
    static thread_local std::vector<PlacedPunch> placed;
    placed.clear();
    bool unreadableTime = false;

    // Pass 1: place every pair the commas allow, in line order.
    auto place = [&](std::string_view codeText, std::string_view timeText) {
        const std::int64_t code = CodeOf(codeText);
        int position = 0;
        if (lookup && code >= 0 && code < CourseLookup::kCodes) {
            position = lookup->position[c][code];
        } else {
            for (int p = 1; p <= count; ++p) {
                if (Matches(course[p], code)) {
                    position = p;
                    break;
                }
            }
            if (Matches(course[kFinishPosition], code)) position = kFinishMark;
        }
        Time time;
        if (position != 0) {
            if (auto t = ParseTime(timeText)) {
                time = *t;
            } else {
                position = 0;
                unreadableTime = true;
            }
        }
        placed.push_back({position, time, static_cast<int>(std::clamp<std::int64_t>(code, 0, std::numeric_limits<int>::max()))});
    };
    if (rawLine.find('"') == std::string_view::npos) {
        // No quotes (the log as the reading software writes it): every comma separates,
        // so a pair is taken exactly when a comma follows its code field; one walk, each
        // comma found by a vectorised search.
        constexpr auto npos = std::string_view::npos;
        std::size_t pos = 0;
        for (int seen = 0; seen < 6 && pos != npos; ++seen) {
            pos = rawLine.find(',', pos);
            if (pos != npos) ++pos;
        }
        while (pos != npos) {
            const std::size_t comma = rawLine.find(',', pos);
            if (comma == npos) break;
            const std::size_t after = rawLine.find(',', comma + 1);
            const std::size_t timeEnd = after == npos ? rawLine.size() : after;
            place(rawLine.substr(pos, comma - pos), rawLine.substr(comma + 1, timeEnd - comma - 1));
            pos = after == npos ? npos : after + 1;
        }
    } else {
        // A plain sum over the bytes, which the compiler vectorises (std::count it does not).
        int commas = 0;
        for (const char ch : rawLine) commas += ch == ',';
        FieldSplitter fields(rawLine, ",");
        for (int k = 1; k < 7; ++k) fields.Next();
        for (int k = 7; k <= commas; k += 2) {
            const std::string_view codeText = fields.Next();
            const std::string_view timeText = fields.Next();
            place(codeText, timeText);
        }
    }

    // Pass 2: the course positions in order, each searched from the last one taken.
    int missing = 0;
    std::size_t from = 0;
    for (int p = 1; p <= count; ++p) {
        std::size_t j = from;
        while (j < placed.size() && placed[j].position != p) ++j;
        if (j < placed.size()) {
            from = j;
            ev.PunchTimes[n][p] = placed[j].time;
            ev.PunchCodes[n][p] = placed[j].code;
        } else {
            ev.PunchTimes[n][p] = Time();
            ev.PunchCodes[n][p] = 0;
            if (p == count) missing = 99;
            else ++missing;
        }
    }

    // Pass 3: the first finish punch, wherever it stands.
    auto finish = std::find_if(placed.begin(), placed.end(), [](const PlacedPunch& x) { return x.position == kFinishMark; });
    if (finish != placed.end()) {
        ev.PunchTimes[n][kFinishPosition] = finish->time;
    } else {
        ev.PunchTimes[n][kFinishPosition] = Time();
        missing = 100;
    }

    EntryRecord& e = ev.Entries[c][s];
    e.CardRead = true;
    e.CheckStatus = Outcome(missing);
    e.CardTime = ev.PunchTimes[n][kFinishPosition];
    SettleResultFields(e);
    return unreadableTime;
}

} // namespace

std::string CardNumberText(std::string_view rawLine) {
    std::size_t begin = rawLine.find('(');
    begin = begin == std::string_view::npos ? 0 : begin + 1;
    std::size_t end = begin;
    for (int chars = 0; chars < 5 && end < rawLine.size(); ++chars) {
        const bool pair = IsCp932LeadByte(static_cast<unsigned char>(rawLine[end])) && end + 1 < rawLine.size();
        end += pair ? 2 : 1;
    }
    return Cp932ToUtf8(rawLine.substr(begin, end - begin));
}

void CheckLine(Event& ev, int n, std::string_view rawLine) { CheckPunches(ev, n, rawLine, nullptr); }

namespace {

// Every line the reader gives, then the history line and the warnings: the same for a
// file read as it grows and for bytes in memory.
void ReadFinishLogLines(Event& ev, LineReader& reader, History& history, std::string& tag, const SparePrompt& prompt) {
    bool unknownCard = false;
    bool unassignedSpare = false;
    int firstUnreadableTimeLine = 0;
    {
        const auto lookup = std::make_unique<CourseLookup>(ev);
        std::string_view line;
        int lineNumber = 0;
        while (reader.Next(line)) {
            ++lineNumber;
            if (line.find(',') == std::string_view::npos) continue;
            const std::string cardText = CardNumberText(line);
            auto found = ev.Cards.Find(cardText);
            if (!found) {
                unknownCard = true;
                continue;
            }
            int n = *found;
            tag = "*";
            if (ev.EntryClass[n] == -1) {
                tag.clear();
                // The prompt may assign the card (re-keying the index and setting the tag)
                // and may write the change file while this file is still open.
                if (prompt) prompt(n);
                if (auto again = ev.Cards.Find(cardText)) n = *again;
            }
            if (tag.empty()) {
                unassignedSpare = true;
                continue;
            }
            if (CheckPunches(ev, n, line, lookup.get()) && firstUnreadableTimeLine == 0) firstUnreadableTimeLine = lineNumber;
        }
    }

    history.Report(" (読込)ゴールデータ", 0, /*keepVisible=*/false);
    if (unknownCard) history.Warning({"  　スタートリストにないＥカードがあります"});
    if (unassignedSpare) history.Warning({"  　未入力の予備Ｅカード情報があります"});
    if (firstUnreadableTimeLine > 0)
        history.Warning({"　Regnly.log " + std::to_string(firstUnreadableTimeLine) + "行目: 時刻を読めないパンチを無視しました"});
}

} // namespace

IoResult ReadFinishLogFile(Event& ev, const std::string& path, History& history, std::string& tag,
                           const SparePrompt& prompt, std::uint64_t byteLimit) {
    if (!FileExists(path)) return IoResult::FromErrno(path, ENOENT);
    // Streamed, so a log the card reader is appending to is read as it stands.
    LineReader reader(path);
    if (!reader.IsOpen()) return reader.OpenResult();
    reader.LimitTo(byteLimit);
    ReadFinishLogLines(ev, reader, history, tag, prompt);
    return IoResult::Ok(path);
}

std::optional<LocalDate> FirstReadDate(const std::string& path) {
    LineReader reader(path);
    if (!reader.IsOpen()) return std::nullopt;
    std::string_view line;
    while (reader.Next(line)) {
        if (line.find(',') == std::string_view::npos) continue;
        LocalDate d;
        if (ParseDate(GetFieldView(line, 2, ","), d)) return d;
    }
    return std::nullopt;
}

void ReadFinishLogText(Event& ev, std::string_view bytes, History& history, std::string& tag, const SparePrompt& prompt,
                       std::uint64_t byteLimit) {
    LineReader reader(LineReader::Bytes{bytes});
    reader.LimitTo(byteLimit);
    ReadFinishLogLines(ev, reader, history, tag, prompt);
}

} // namespace quilo
