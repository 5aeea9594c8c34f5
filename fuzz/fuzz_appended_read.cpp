// The live station's appended-only read against the whole read, step by step: two
// stations over two folders that always hold the same finish log, one following the log
// (its reads by itself take only the appended lines when they can), the other reading
// the whole log every time. After every step both must hold the same tables, history
// and spare-card questions.
//
// Input: parts separated by the byte 0x1E: the steps, the log the card reader writes
// (revealed a piece at a time), the answers to the spare question (bibs separated by
// ";", an empty answer cancels, "*" says assigned without assigning). Each step is two bytes, an operation and its argument:
//   0, 1  the next 1..256 bytes of the log appended
//   2     a read by the station itself up to the last line feed (as the live reader asks)
//   3     a read by the station itself up to a few bytes short of the end (inside a line)
//   4     the data-load button
//   5     a correction from the edit dialog: kind and card from the argument, its value
//         from one byte more
//   6     the log changed other than by appending: a byte rewritten, cut short, or
//         replaced by a new file (the same bytes or without its first line)
//   7     the status refresh
#include "FuzzSupport.h"

#include "finish/ChangeRecord.h"
#include "station/SpareLogic.h"
#include "station/Station.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace quilo;

namespace {

const char* const kCards[] = {"10001", "10002", "10003", "10004", "10005", "10006",
                              "10007", "01234", "90001", "90002", "90003", "55555"};
const char* const kValues[] = {"5", "1:23:45", "0:30:00", "P3", "DNF", "10002", "90001", "x"};

bool SameRecord(const EntryRecord& x, const EntryRecord& y) {
    return x.StartTime == y.StartTime && x.BibNumber == y.BibNumber && x.EcardNumber == y.EcardNumber &&
           x.EcardText == y.EcardText && x.Status == y.Status && x.CheckStatus == y.CheckStatus && x.Name == y.Name &&
           x.Club == y.Club && x.RunningTime == y.RunningTime && x.ExtraNumber == y.ExtraNumber && x.Place == y.Place &&
           x.ManualStatus == y.ManualStatus && x.ManualTime == y.ManualTime && x.CardTime == y.CardTime &&
           x.LateAddition == y.LateAddition && x.Reference == y.Reference && x.CardRead == y.CardRead;
}

// Everything a read, a correction or a refresh can change.
bool SameTables(const Event& a, const Event& b) {
    if (!fuzz::SameResults(a, b) || a.PunchCodes != b.PunchCodes) return false;
    for (std::size_t c = 0; c < a.Entries.size(); ++c)
        for (std::size_t s = 1; s < a.Entries[c].size(); ++s)
            if (!SameRecord(a.Entries[c][s], b.Entries[c][s])) return false;
    for (const char* card : kCards)
        if (a.Cards.Find(card) != b.Cards.Find(card)) return false;
    return true;
}

// One station and its folder, with the spare questions it asked.
struct Side {
    std::string name;
    std::unique_ptr<Station> station;
    std::vector<int> asked;
    std::size_t answer = 0;

    Side(const char* folder, bool follow, const std::vector<std::string>& answers) : name(folder) {
        fuzz::Scratch& scratch = fuzz::Scratch::Get();
        scratch.MakeFolder(name);
        station =
            std::make_unique<Station>(scratch.File(name), fuzz::FixedClock(), std::make_unique<Event>(fuzz::TemplateEvent()));
        station->FollowLog(follow);
        station->SetSparePrompt([this, &answers](int spareRow) {
            asked.push_back(spareRow);
            const std::string& bib = answers[answer++ % answers.size()];
            if (bib.empty()) return SpareAnswer::Cancelled;
            // A prompt that says "assigned" and assigns nothing: the question comes again.
            if (bib == "*") return SpareAnswer::Assigned;
            SpareLogic logic(*station, spareRow);
            logic.Load();
            logic.SetBibText(bib);
            if (logic.Ok().confirm) logic.Ok(true);
            return logic.Answer();
        });
    }
    std::string Log() const { return fuzz::Scratch::Get().File(name + "/Regnly.log"); }
};

void AppendTo(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) fuzz::Fail("open the log");
    if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) fuzz::Fail("append to the log");
    ::close(fd);
}

// A new file at the path (another inode), as an editor or a copy leaves it.
void ReplaceWith(const std::string& path, std::string_view bytes) {
    const std::string tmp = path + ".new";
    ::unlink(tmp.c_str());
    AppendTo(tmp, bytes);
    if (::rename(tmp.c_str(), path.c_str()) != 0) fuzz::Fail("rename the log");
}

void RewriteInPlace(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) fuzz::Fail("open the log");
    if (::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) fuzz::Fail("cut the log");
    if (::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) fuzz::Fail("rewrite the log");
    ::close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Scratch& scratch = fuzz::Scratch::Get();
    scratch.Reset();
    const auto parts = fuzz::Split(fuzz::AsText(data, size), '\x1e', 3);
    const std::string_view steps = parts[0];
    const std::string_view source = parts.size() > 1 ? parts[1] : std::string_view();
    std::vector<std::string> answers;
    for (auto a : fuzz::Split(parts.size() > 2 ? parts[2] : "0101;", ';', 8)) answers.emplace_back(a);

    Side follows("a", true, answers);
    Side whole("b", false, answers);
    Side* const sides[] = {&follows, &whole};
    std::string content;   // the log as both files hold it
    std::size_t taken = 0; // bytes of the source written so far

    auto check = [&](const char* after) {
        Station& a = *follows.station;
        Station& b = *whole.station;
        fuzz::CheckCounts(a.Tables());
        if (!SameTables(a.Tables(), b.Tables())) fuzz::Fail(after);
        if (a.OperationHistory().Texts() != b.OperationHistory().Texts()) fuzz::Fail(after);
        if (follows.asked != whole.asked) fuzz::Fail(after);
    };

    for (std::size_t i = 0; i + 1 < steps.size() && i < 96; i += 2) {
        const auto op = static_cast<unsigned char>(steps[i]) % 8;
        const auto arg = static_cast<unsigned char>(steps[i + 1]);
        switch (op) {
        case 0:
        case 1: {
            const std::string_view more = source.substr(std::min(taken, source.size()), arg + 1u);
            taken += more.size();
            content += more;
            for (Side* s : sides) AppendTo(s->Log(), more);
            break;
        }
        case 2:
        case 3: {
            const std::size_t lf = content.rfind('\n');
            std::uint64_t limit = lf == std::string::npos ? 0 : lf + 1;
            if (op == 3) limit = content.size() - std::min<std::size_t>(content.size(), arg % 8);
            for (Side* s : sides) s->station->AutoReadFinishLog(limit);
            check("a read by the station itself");
            break;
        }
        case 4:
            for (Side* s : sides) s->station->ReadFinishLog();
            check("the data-load button");
            break;
        case 5: {
            ChangeRecord record;
            record.kind = static_cast<ChangeKind>(arg % 8);
            record.card = kCards[(arg / 8) % std::size(kCards)];
            if (i + 2 < steps.size()) record.value = kValues[static_cast<unsigned char>(steps[++i + 1]) % std::size(kValues)];
            for (Side* s : sides) {
                const int n = s->station->Tables().Cards.Find(record.card).value_or(-1);
                // Both sides get the same correction; whether its record was written is not compared.
                static_cast<void>(s->station->Correct(record, " (変更)" + record.Text(), n));
            }
            check("a correction");
            break;
        }
        case 6: {
            if (content.empty()) break;
            switch (arg % 4) {
            case 0: content[(arg * 7919u) % content.size()] ^= static_cast<char>(1 + arg / 4 % 32); break;
            case 1: content.resize(content.size() * (arg / 4 % 4) / 4); break;
            case 2: break;
            case 3: content.erase(0, content.find('\n') == std::string::npos ? content.size() : content.find('\n') + 1); break;
            }
            for (Side* s : sides) {
                if (arg % 4 >= 2) ReplaceWith(s->Log(), content);
                else RewriteInPlace(s->Log(), content);
            }
            break;
        }
        case 7:
            for (Side* s : sides) s->station->RefreshStatus();
            check("the status refresh");
            break;
        }
    }
    // Last, the whole log by both, as the next start would read it.
    for (Side* s : sides) s->station->AutoReadFinishLog(content.size());
    check("the last read");
    fuzz::CheckTables(follows.station->Tables());
    return 0;
}
