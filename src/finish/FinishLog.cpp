#include "finish/FinishLog.h"

#include "core/Cp932.h"
#include "core/Fields.h"
#include "core/Files.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "finish/ResultFields.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace quilo {
namespace {

constexpr int kFinishMark = 99; // position of a punch placed as the finish

struct PlacedPunch {
    int position; // course position, kFinishMark for the finish, 0 when not on the course
    Time time;
    int code = 0; // the code as punched, for the split times
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
        placed.push_back(
            {position, time, static_cast<int>(std::clamp<std::int64_t>(code, 0, std::numeric_limits<int>::max()))});
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

// Takes lines of the log in order: the punch checks, and what the history line and the
// warnings say about the whole log. With a place, notes where each card led.
class LogLines {
public:
    LogLines(Event& ev, const SparePrompt& prompt, LogPlace* place)
        : ev_(ev), prompt_(prompt), place_(place), lookup_(std::make_unique<CourseLookup>(ev)) {}

    void Take(LineReader& reader) {
        std::string_view line;
        while (reader.Next(line)) {
            ++lineNumber;
            if (line.find(',') == std::string_view::npos) continue;
            std::string cardText = CardNumberText(line);
            auto found = ev_.Cards.Find(cardText);
            if (!found) {
                unknownCard = true;
                Note(std::move(cardText), -1);
                continue;
            }
            int n = *found;
            bool assigned = true;
            if (ev_.EntryClass[n] == -1) {
                // The prompt may assign the card (re-keying the index) and may write the
                // change file while this file is still open.
                assigned = prompt_ && prompt_(n) == SpareAnswer::Assigned;
                if (auto again = ev_.Cards.Find(cardText)) n = *again;
            }
            lastFound = n;
            Note(std::move(cardText), n);
            if (!assigned) {
                unassignedSpare = true;
                continue;
            }
            if (CheckPunches(ev_, n, line, lookup_.get()) && firstUnreadableTimeLine == 0)
                firstUnreadableTimeLine = lineNumber;
        }
    }

    void Report(History& history) const {
        history.Report(" (読込)ゴールデータ", 0, /*keepVisible=*/false);
        if (unknownCard) history.Warning({"  　スタートリストにないＥカードがあります"});
        if (unassignedSpare) history.Warning({"  　未入力の予備Ｅカード情報があります"});
        if (firstUnreadableTimeLine > 0)
            history.Warning(
                {"　Regnly.log " + std::to_string(firstUnreadableTimeLine) + "行目: 時刻を読めないパンチを無視しました"});
    }

    bool unknownCard = false;
    bool unassignedSpare = false;
    int lineNumber = 0;
    int firstUnreadableTimeLine = 0;
    std::optional<int> lastFound;
    bool mixed = false; // a card led to two competitors

private:
    void Note(std::string cardText, int n) {
        if (!place_) return;
        auto [at, added] = place_->cards.try_emplace(std::move(cardText), n);
        if (!added && at->second != n) mixed = true;
    }

    Event& ev_;
    const SparePrompt& prompt_;
    LogPlace* place_;
    std::unique_ptr<CourseLookup> lookup_;
};

// Every line the reader gives, then the history line and the warnings: the same for a
// file read as it grows and for bytes in memory.
void ReadFinishLogLines(Event& ev, LineReader& reader, History& history, const SparePrompt& prompt) {
    LogLines lines(ev, prompt, nullptr);
    lines.Take(reader);
    lines.Report(history);
}

} // namespace

Result<> ReadFinishLogFile(Event& ev, const std::string& path, History& history, const SparePrompt& prompt,
                           std::uint64_t byteLimit) {
    if (!FileExists(path)) return Error::FromErrno(path, ENOENT);
    // Streamed, so a log the card reader is appending to is read as it stands.
    LineReader reader(path);
    if (!reader.IsOpen()) return reader.Status();
    reader.LimitTo(byteLimit);
    ReadFinishLogLines(ev, reader, history, prompt);
    return reader.Status();
}

void ReadFinishLogText(Event& ev, std::string_view bytes, History& history, const SparePrompt& prompt,
                       std::uint64_t byteLimit) {
    LineReader reader(LineReader::Bytes{bytes});
    reader.LimitTo(byteLimit);
    ReadFinishLogLines(ev, reader, history, prompt);
}

namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;

std::uint64_t RotateLeft(std::uint64_t v, int bits) { return (v << bits) | (v >> (64 - bits)); }

} // namespace

void ByteDigest::Block(const unsigned char* p) {
    for (std::size_t i = 0; i < lanes_.size(); ++i) {
        std::uint64_t word;
        std::memcpy(&word, p + 8 * i, sizeof word);
        lanes_[i] = RotateLeft(lanes_[i] + word * kPrime2, 31) * kPrime1;
    }
}

void ByteDigest::Add(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size();
    std::size_t held = static_cast<std::size_t>(length_ % rest_.size());
    length_ += n;
    if (held > 0) {
        const std::size_t take = std::min(n, rest_.size() - held);
        std::memcpy(rest_.data() + held, p, take);
        p += take;
        n -= take;
        if (held + take < rest_.size()) return;
        Block(rest_.data());
    }
    for (; n >= rest_.size(); p += rest_.size(), n -= rest_.size()) Block(p);
    std::memcpy(rest_.data(), p, n);
}

bool ByteDigest::operator==(const ByteDigest& o) const {
    const std::size_t held = static_cast<std::size_t>(length_ % rest_.size());
    return lanes_ == o.lanes_ && length_ == o.length_ && std::memcmp(rest_.data(), o.rest_.data(), held) == 0;
}

namespace {

// The digest of the file's first `size` bytes; nothing when fewer can be read.
std::optional<ByteDigest> DigestOfStart(int fd, std::uint64_t size) {
    constexpr std::size_t kChunk = 64 * 1024;
    const auto chunk = std::make_unique_for_overwrite<char[]>(kChunk);
    ByteDigest digest;
    std::uint64_t done = 0;
    while (done < size) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, size - done));
        const ssize_t n = ::pread(fd, chunk.get(), want, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return std::nullopt;
        digest.Add({chunk.get(), static_cast<std::size_t>(n)});
        done += static_cast<std::uint64_t>(n);
    }
    return digest;
}

// The file's bytes from `from` up to `limit`, read as they stand, handed to `take` in
// pieces of whole lines: every piece but the last ends with a line feed, where a line
// always ends whatever ends the others, so LineReader gives over the pieces the lines it
// gives over the file. Returns where the bytes read end; `lastByte` is the last of them.
// `take` returns false to stop early. A failed read is the error, with `path`.
template <class Take>
Result<std::uint64_t> ReadPieces(int fd, const std::string& path, std::uint64_t from, std::uint64_t limit, char& lastByte,
                                 Take&& take) {
    std::size_t size = 64 * 1024; // grown for a longer line
    auto buf = std::make_unique_for_overwrite<char[]>(size);
    std::size_t begin = 0, end = 0;
    std::uint64_t at = from; // the file offset of buf[end]
    while (true) {
        if (begin > 0) {
            std::memmove(buf.get(), buf.get() + begin, end - begin);
            end -= begin;
            begin = 0;
        }
        if (end == size) {
            auto bigger = std::make_unique_for_overwrite<char[]>(size * 2);
            std::memcpy(bigger.get(), buf.get(), end);
            buf = std::move(bigger);
            size *= 2;
        }
        const std::size_t room = static_cast<std::size_t>(std::min<std::uint64_t>(size - end, limit > at ? limit - at : 0));
        const ssize_t n = room == 0 ? 0 : ::pread(fd, buf.get() + end, room, static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Error::FromErrno(path, errno);
        if (n == 0) {
            if (end > begin) take(std::string_view(buf.get() + begin, end - begin));
            return at;
        }
        end += static_cast<std::size_t>(n);
        at += static_cast<std::uint64_t>(n);
        lastByte = buf[end - 1];
        if (const void* lf = ::memrchr(buf.get() + begin, '\n', end - begin)) {
            const std::size_t cut = static_cast<std::size_t>(static_cast<const char*>(lf) - buf.get()) + 1;
            if (!take(std::string_view(buf.get() + begin, cut - begin))) return at;
            begin = cut;
        }
    }
}

// The lines of the place's bytes as a read from the first line would take them now,
// without reading them: true when every card met still leads where it led, no spare
// card met would be asked about, and the start list is the one they were read with.
// Their checks stand in the tables already; only the result fields are settled again,
// as each check ends (a correction since changed only the operator's fields).
bool TakeAgain(Event& ev, const LogPlace& place, const std::function<bool(int)>& quietSpare, LogLines& lines) {
    if (place.rows != ev.Rows()) return false;
    for (const auto& [cardText, n] : place.cards) {
        const auto now = ev.Cards.Find(cardText);
        if (now.value_or(-1) != n) return false;
        if (n >= 0 && ev.EntryClass[n] == -1 && !quietSpare(n)) return false;
    }
    for (const auto& [cardText, n] : place.cards) {
        if (n < 0) lines.unknownCard = true;
        else if (ev.EntryClass[n] == -1) lines.unassignedSpare = true;
        else if (EntryRecord* e = ev.EntryOf(n)) SettleResultFields(*e);
    }
    lines.lastFound = place.lastFound;
    lines.lineNumber = place.lines;
    lines.firstUnreadableTimeLine = place.firstUnreadableTimeLine;
    return true;
}

} // namespace

Result<bool> ReadFinishLogFollowing(Event& ev, const std::string& path, History& history, const SparePrompt& prompt,
                                    LogPlace& place, const std::function<bool(int spareRow)>& quietSpare,
                                    std::uint64_t byteLimit) {
    if (!FileExists(path)) {
        place.Forget();
        return Error::FromErrno(path, ENOENT);
    }
    struct stat st {};
    Result<FileDescriptor> file = OpenRegularForReading(path, &st);
    if (!file) {
        place.Forget();
        return file.Failure();
    }
    const int fd = file->Get();
    const auto device = static_cast<std::uint64_t>(st.st_dev);
    const auto inode = static_cast<std::uint64_t>(st.st_ino);
    const auto size = static_cast<std::uint64_t>(st.st_size);

    // The same file, its bytes read last time all still there as they were.
    bool appended = quietSpare && place.holds && place.device == device && place.inode == inode && place.offset <= size &&
                    place.offset <= byteLimit;
    if (appended) {
        const auto start = DigestOfStart(fd, place.offset);
        appended = start && *start == place.digest;
    }

    LogPlace next;
    LogLines lines(ev, prompt, &next);
    std::uint64_t from = 0;
    if (appended) {
        appended = TakeAgain(ev, place, quietSpare, lines);
        if (appended) {
            from = place.offset;
            next = std::move(place);
        }
    }
    place.Forget();

    // The place's bytes end with a line feed; a read from the first byte has none yet.
    char lastByte = appended ? '\n' : 0;
    const Result<std::uint64_t> read = ReadPieces(fd, path, from, byteLimit, lastByte, [&](std::string_view piece) {
        next.digest.Add(piece);
        LineReader reader(LineReader::Bytes{piece});
        lines.Take(reader);
        return true;
    });
    lines.Report(history);
    if (!read) return read.Failure();
    const std::uint64_t end = *read;

    // Only a read that ended with a whole line and saw every card lead one way is a place
    // to go on from.
    if ((end == 0 || lastByte == '\n') && !lines.mixed) {
        next.holds = true;
        next.device = device;
        next.inode = inode;
        next.offset = end;
        next.rows = ev.Rows();
        next.lines = lines.lineNumber;
        next.firstUnreadableTimeLine = lines.firstUnreadableTimeLine;
        next.lastFound = lines.lastFound;
        place = std::move(next);
    }
    return appended;
}

std::optional<LocalDate> FirstReadDate(const std::string& path) {
    const Result<FileDescriptor> file = OpenRegularForReading(path);
    if (!file) return std::nullopt;
    std::optional<LocalDate> date;
    char lastByte = 0;
    // A read that fails before the line is found finds no date.
    const Result<std::uint64_t> read = ReadPieces(file->Get(), path, 0, UINT64_MAX, lastByte, [&](std::string_view piece) {
        LineReader reader(LineReader::Bytes{piece});
        std::string_view line;
        while (!date && reader.Next(line)) {
            if (line.find(',') == std::string_view::npos) continue;
            LocalDate d;
            if (ParseDate(GetFieldView(line, 2, ","), d)) date = d;
        }
        return !date;
    });
    if (!read) return std::nullopt;
    return date;
}

} // namespace quilo
