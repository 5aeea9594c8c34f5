#include "station/EntryDesk.h"

#include "core/Cp932.h"
#include "core/Fields.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "core/TextWidth.h"
#include "finish/ChangeRecord.h"
#include "readers/StartList.h"
#include "station/Messages.h"
#include "station/Station.h"

#include <algorithm>
#include <array>

namespace quilo {
namespace {

// The finish log gives a card as five characters: a card of another length is never read.
constexpr int kCardChars = 5;

struct FieldName {
    std::string EntryForm::*field;
    const char* label;
};

// In the order the dialog shows them: refusals name the first field at fault.
constexpr std::array<FieldName, 7> kFields{{
    {&EntryForm::className, "クラス"},
    {&EntryForm::name, "氏名"},
    {&EntryForm::club, "所属"},
    {&EntryForm::card, "Ｅカード番号"},
    {&EntryForm::bib, "ゼッケン番号"},
    {&EntryForm::start, "スタート時刻"},
    {&EntryForm::number, "番号"},
}};

std::string TrimmedField(std::string_view text) {
    static constexpr std::string_view kIdeographicSpace = "　";
    for (bool cut = true; cut;) {
        cut = false;
        if (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1), cut = true;
        if (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1), cut = true;
        if (text.starts_with(kIdeographicSpace)) text.remove_prefix(kIdeographicSpace.size()), cut = true;
        if (text.ends_with(kIdeographicSpace)) text.remove_suffix(kIdeographicSpace.size()), cut = true;
    }
    return std::string(text);
}

bool Writable(const std::string& text) {
    const bool control =
        std::any_of(text.begin(), text.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F; });
    return !control && Cp932ToUtf8(Utf8ToCp932(text)) == text;
}

bool FiveDigits(const std::string& card) {
    return card.size() == kCardChars && std::all_of(card.begin(), card.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
}

std::string Quoted(const std::string& field) { return field.find(',') == std::string::npos ? field : "\"" + field + "\""; }

// What follows the seventh field of a row (from its comma on): kept as it was.
std::string TailAfterSeventh(std::string_view line) {
    int commas = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        else if (line[i] == ',' && !quoted && ++commas == 7) return std::string(line.substr(i));
    }
    return {};
}

// The row's line as the file holds it, decoded.
std::string RowLine(const Station& station, int competitor) {
    const Station::StartListState& list = station.StartList();
    const auto row = static_cast<std::size_t>(competitor);
    if (row >= list.rowLines.size()) return {};
    const std::vector<std::string> lines = TextLines(list.bytes, DetectEncoding(list.bytes));
    const auto line = static_cast<std::size_t>(list.rowLines[row]);
    return line < lines.size() ? lines[line] : std::string();
}

bool SameCard(const std::string& a, const std::string& b) {
    if (AsciiLower(a) == AsciiLower(b)) return true;
    const auto x = ToWholeNumber(a), y = ToWholeNumber(b);
    return x && y && *x == *y;
}

// True when a change record names the card: the next start finds it only through the
// card's row, so the card of that row must stay.
bool ChangeRecordsName(const Station& station, const std::string& card) {
    const Result<std::string> bytes = ReadFileBytes(station.PathOf("Change.dat"));
    if (!bytes) return false;
    for (const std::string& line : TextLines(*bytes)) {
        const auto record = ChangeRecord::Parse(line);
        if (!record) continue;
        if (SameCard(record->card, card)) return true;
        if (record->kind == ChangeKind::Spare && SameCard(record->value, card)) return true;
    }
    return false;
}

bool HasResult(const EntryRecord& e) {
    return e.CardRead || !e.Status.empty() || !e.ManualStatus.empty() || !e.RunningTime.IsZero();
}

} // namespace

EntryDesk::EntryDesk(Station& station, int competitor) : station_(station), competitor_(competitor) {
    const Event& ev = station_.Tables();
    if (station_.Reading()) why_ = "ゴールデータの読み込み中です。読み込みが終わってから開いてください。";
    else if (station_.StartupStopped())
        why_ =
            "スタートリストにコントロールデータにないクラスがあるため受け付けできません。\r\nStartlst.dat "
            "を直してから起動し直してください。";
    else if (!station_.StartList().read) why_ = "Startlst.dat を読み込めなかったため受け付けできません。";
    else if (competitor_ >= 0 && !ev.EntryOf(competitor_)) why_ = "この出走者はスタートリストにありません。";
    if (!why_.empty()) return;

    if (!IsEdit()) {
        const std::vector<std::string> classes = Classes();
        if (!classes.empty()) form_.className = classes.front();
        form_.number = "0";
        return;
    }
    form_ = ParseRow(RowLine(station_, competitor_));
}

EntryForm EntryDesk::ParseRow(std::string_view row) {
    EntryForm form;
    std::string EntryForm::*const order[] = {&EntryForm::card, &EntryForm::className, &EntryForm::start, &EntryForm::bib,
                                             &EntryForm::name, &EntryForm::number,    &EntryForm::club};
    for (int i = 0; i < 7; ++i) form.*order[i] = GetField(row, i + 1, ",");
    return form;
}

std::vector<std::string> EntryDesk::Classes() const {
    const Event& ev = station_.Tables();
    std::vector<std::string> names;
    for (int c = 0; c < ev.ClassesInUse(); ++c)
        if (!ev.ClassNames[static_cast<std::size_t>(c)].empty()) names.push_back(ev.ClassNames[static_cast<std::size_t>(c)]);
    return names;
}

EntryForm EntryDesk::Trimmed(const EntryForm& form) {
    EntryForm out = form;
    for (const FieldName& f : kFields) out.*f.field = TrimmedField(out.*f.field);
    return out;
}

std::string EntryDesk::RowText(const EntryForm& f) {
    return Quoted(f.card) + "," + Quoted(f.className) + "," + Quoted(f.start) + "," + Quoted(f.bib) + "," + Quoted(f.name) +
           "," + Quoted(f.number) + "," + Quoted(f.club);
}

std::optional<std::string> EntryDesk::Check(const EntryForm& f) const {
    for (const FieldName& field : kFields) {
        const std::string& text = f.*field.field;
        // The start list's reader takes a quote as the edge of a field.
        if (text.find('"') != std::string::npos) return std::string(field.label) + "に「\"」は使えません。";
        if (!Writable(text)) return std::string(field.label) + "に Startlst.dat に書けない文字があります。";
    }
    const std::vector<std::string> classes = Classes();
    if (std::find(classes.begin(), classes.end(), f.className) == classes.end())
        return "クラス「" + f.className + "」はコントロールデータにありません。";
    if (!FiveDigits(f.card)) return "Ｅカード番号は5桁の数字で入力してください（ゴールで読み取れるのは5文字の番号です）。";

    const Event& ev = station_.Tables();
    for (int n = 0; n < ev.Rows(); ++n) {
        if (n == competitor_ || !SameCard(ev.CardTexts[static_cast<std::size_t>(n)], f.card)) continue;
        if (!ev.EntryOf(n))
            return "Ｅカード番号 " + f.card +
                   " は予備Ｅカードです。\r\n予備Ｅカードは読み取りのときの質問か、右クリックの「予備Ｅカードの再割当…」で割り"
                   "当ててください。";
        const EntryRecord& e = *ev.EntryOf(n);
        return "Ｅカード番号 " + f.card + " はすでに登録されています（" + std::to_string(e.BibNumber) + " " + e.Name + "）。";
    }

    if (!ParseTime(f.start)) return "スタート時刻は時刻で入力してください（例 10:30:00）。";
    if (!ToWholeNumber(f.bib)) return "ゼッケン番号は整数で入力してください。";
    if (!ToWholeNumber(f.number)) return "番号は整数で入力してください。";
    return std::nullopt;
}

DialogOutcome EntryDesk::Ok(const EntryForm& form, bool confirmed) {
    DialogOutcome result;
    auto refuse = [&result](std::string message) {
        result.refused = true;
        result.message = std::move(message);
        return result;
    };
    if (!CanOpen()) return refuse(why_);
    const EntryForm f = Trimmed(form);
    if (auto why = Check(f)) return refuse(*why);

    // Written only over the file as it was read: a hand edit meanwhile would be lost.
    const std::string path = station_.PathOf("Startlst.dat");
    const Station::StartListState& list = station_.StartList();
    const bool exists = FileExists(path);
    if (exists == list.missing) return refuse(kStartListChanged);
    std::string old;
    if (exists) {
        Result<std::string> now = ReadFileBytes(path);
        if (!now) return refuse(FailureText(kStartListNotWritten, now.Failure()));
        if (*now != list.bytes) return refuse(kStartListChanged);
        old = std::move(*now);
    }

    Event& ev = station_.Tables();
    std::vector<std::string> changes; // history lines of a fix
    std::string row;
    std::string bytes;
    if (IsEdit()) {
        const EntryForm before = Trimmed(form_);
        const EntryRecord& e = *ev.EntryOf(competitor_);
        std::string who = f.bib + " " + f.name;
        for (const FieldName& field : kFields)
            if (before.*field.field != f.*field.field)
                changes.push_back(" (修正)" + who + ": " + field.label + " " + before.*field.field + " → " + f.*field.field);
        if (changes.empty()) return result;

        if (!SameCard(before.card, f.card) && ChangeRecordsName(station_, before.card))
            return refuse("この出走者の変更データ（Change.dat）はＥカード番号 " + before.card +
                          " で記録されているため、Ｅカード番号は変えられません。\r\n新しいカードは予備Ｅカードとして登録して割"
                          "り当ててください。");

        const bool touchesResult = before.className != f.className || before.card != f.card || before.start != f.start;
        if (touchesResult && HasResult(e) && !confirmed) {
            result.confirm = true;
            result.message = std::to_string(e.BibNumber) + " " + e.Name + " にはすでに記録があります。";
            if (before.className != f.className)
                result.message +=
                    "\r\nクラス " + before.className + " → " + f.className + "：新しいクラスのコースで照合し直します。";
            if (before.card != f.card)
                result.message += "\r\nＥカード番号 " + before.card + " → " + f.card +
                                  "：記録は新しい番号の読み取りから取り直します（古い番号の読み取りは使われません）。";
            if (before.start != f.start)
                result.message += "\r\nスタート時刻 " + before.start + " → " + f.start +
                                  "：所要時間は変わりませんが、遅刻スタートと制限時間の判定は変わります。";
            result.message += "\r\n変更しますか？";
            return result;
        }
        row = RowText(f) + TailAfterSeventh(RowLine(station_, competitor_));
        bytes = WithLineReplaced(old, list.rowLines[static_cast<std::size_t>(competitor_)], row);
    } else {
        row = RowText(f);
        bytes = WithLineAppended(old, row);
    }

    // The previous version first: whatever happens next, one of the two files is whole.
    if (exists) {
        if (Result<> kept = ReplaceFileBytes(path + ".bak", old); !kept)
            return refuse(FailureText(kStartListNotWritten, kept.Failure()));
    }
    if (Result<> written = ReplaceFileBytes(path, bytes); !written)
        return refuse(FailureText(kStartListNotWritten, written.Failure()));

    station_.Reload();
    const Event& now = station_.Tables();
    const int n = IsEdit() ? competitor_ : now.Cards.Find(f.card).value_or(-1);
    const EntryRecord* e = now.EntryOf(n);
    const int card = e ? e->EcardNumber : 0;
    History& history = station_.OperationHistory();
    if (IsEdit())
        for (const std::string& line : changes) history.ReportFor(line, card, n);
    else history.ReportFor(" (当日申込)" + f.bib + " " + f.name + " " + f.className, card, n);
    competitor_ = n;
    return result;
}

std::optional<int> SpareRowHeldBy(const Station& station, int competitor) {
    const Event& ev = station.Tables();
    const EntryRecord* e = ev.EntryOf(competitor);
    if (!e || e->EcardText == ev.CardTexts[static_cast<std::size_t>(competitor)]) return std::nullopt;
    for (int n = 0; n < ev.Rows(); ++n)
        if (ev.EntryClass[static_cast<std::size_t>(n)] < 0 && ev.CardTexts[static_cast<std::size_t>(n)] == e->EcardText)
            return n;
    return std::nullopt;
}

} // namespace quilo
