#include "readers/StartList.h"

#include "core/Cp932.h"
#include "core/Fields.h"
#include "core/Files.h"
#include "core/LineWarnings.h"
#include "core/Numbers.h"
#include "core/TextWidth.h"
#include "readers/FileLines.h"

#include <vector>

namespace quilo {
namespace {

// The finish log gives a card as exactly five characters, so no read can match a card
// of another length: its runner would stay not back all day.
constexpr int kReadCardChars = 5;
constexpr const char* kUnreadableCard = "でないため、ゴールで読み取れません";

void CheckReadable(LineWarnings& unreadable, int lineNumber, const std::string& cardText) {
    if (CharCount(cardText) == kReadCardChars) return;
    unreadable.Warn(lineNumber, ": Ｅカード番号 " + cardText + " は5文字" + kUnreadableCard);
}

int FindClass(const Event& ev, const std::string& name) {
    // Every entry, those after the last class too: below ten classes an empty class
    // field matches the first of them.
    for (int c = 0; c < ev.ClassEntries(); ++c)
        if (ev.ClassNames[c] == name) return c;
    return -1;
}

} // namespace

Result<StartListRead> ReadStartList(Event& ev, const std::string& path) {
    const Result<std::string> bytes = ReadFileBytes(path);
    if (!bytes) return bytes.Failure();
    return ReadStartListText(ev, *bytes);
}

StartListRead ReadStartListText(Event& ev, std::string_view bytes) {
    StartListRead read;
    const std::vector<std::string> lines = EventFileLines(bytes, "Startlst.dat", read.warnings);

    SkippedLines skipped(read.warnings, "Startlst.dat");
    LineWarnings unreadable(read.warnings, "Startlst.dat", std::string(": Ｅカード番号が5文字") + kUnreadableCard);
    ev.ReserveRows(lines.size());

    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const int lineNumber = static_cast<int>(i) + 1;
        if (line.find(',') == std::string::npos) continue;

        std::string cardText = GetField(line, 1, ",");
        std::string className = GetField(line, 2, ",");
        auto card = ToWholeNumber(cardText);
        const int n = ev.Cards.Count();

        if (className == "**") {
            if (!card) {
                skipped.Skip(lineNumber, "Ｅカード番号が数値ではありません");
                continue;
            }
            if (!ev.Cards.Add(cardText, n)) {
                skipped.Skip(lineNumber, "Ｅカード番号が重複しています");
                continue;
            }
            ev.AddRow(-1, cardText);
            read.rowLines.push_back(static_cast<int>(i));
            CheckReadable(unreadable, lineNumber, cardText);
            continue;
        }

        const int c = FindClass(ev, className);
        if (c < 0) {
            skipped.Finish();
            unreadable.Finish();
            read.skippedRows = skipped.Total();
            read.warnings.push_back({"　クラス情報の相違があります", "　Control.dat/Startlst.dat"});
            read.undefinedClass = true;
            return read;
        }

        auto start = ParseTime(GetFieldView(line, 3, ","));
        auto bib = ToWholeNumber(GetFieldView(line, 4, ","));
        auto extra = ToWholeNumber(GetFieldView(line, 6, ","));
        if (!card) {
            skipped.Skip(lineNumber, "Ｅカード番号が数値ではありません");
            continue;
        }
        if (!start) {
            skipped.Skip(lineNumber, "スタート時刻が読めません");
            continue;
        }
        if (!bib) {
            skipped.Skip(lineNumber, "ゼッケン番号が数値ではありません");
            continue;
        }
        if (!extra) {
            skipped.Skip(lineNumber, "６番目の項目が数値ではありません");
            continue;
        }
        if (!ev.Cards.Add(cardText, n)) {
            skipped.Skip(lineNumber, "Ｅカード番号が重複しています");
            continue;
        }

        ev.AddRow(c, cardText);
        read.rowLines.push_back(static_cast<int>(i));
        EntryRecord& e = ev.Entries[c][ev.EntrySlot[n]];
        e.StartTime = *start;
        e.BibNumber = *bib;
        e.Name = GetField(line, 5, ",");
        e.ExtraNumber = *extra;
        e.Club = GetField(line, 7, ",");
        e.EcardNumber = *card;
        e.EcardText = cardText;
        CheckReadable(unreadable, lineNumber, cardText);

        // A start at 0:00:00 reads as "no start yet", so the next start replaces it.
        const Time t = *start;
        if (ev.FirstStart[c].IsZero()) ev.FirstStart[c] = t;
        if (t < ev.FirstStart[c]) ev.FirstStart[c] = t;
        if (t > ev.LastStart[c]) ev.LastStart[c] = t;
    }

    skipped.Finish();
    unreadable.Finish();
    read.skippedRows = skipped.Total();
    return read;
}

namespace {

std::string Encoded(std::string_view bytes, std::string_view utf8Row) {
    return DetectEncoding(bytes) == TextEncoding::Utf8 ? std::string(utf8Row) : Utf8ToCp932(utf8Row);
}

} // namespace

std::string WithLineReplaced(std::string_view bytes, int line, std::string_view utf8Row) {
    std::string_view body = bytes;
    if (DetectEncoding(bytes) == TextEncoding::Utf8 && HasUtf8Bom(bytes)) body.remove_prefix(kUtf8Bom.size());
    // The reader's own line rules, so the line replaced is the one the row came from.
    LineReader reader(LineReader::Bytes{body});
    std::string_view raw;
    for (int i = 0; reader.Next(raw); ++i) {
        if (i != line) continue;
        const auto begin = static_cast<std::size_t>(raw.data() - bytes.data());
        std::string out(bytes.substr(0, begin));
        out += Encoded(bytes, utf8Row);
        out += bytes.substr(begin + raw.size());
        return out;
    }
    return WithLineAppended(bytes, utf8Row);
}

std::string WithLineAppended(std::string_view bytes, std::string_view utf8Row) {
    std::string out(bytes);
    // A last line without its line end would take the new row onto it.
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += "\r\n";
    out += Encoded(bytes, utf8Row);
    out += "\r\n";
    return out;
}

} // namespace quilo
