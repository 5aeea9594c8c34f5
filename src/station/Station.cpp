#include "station/Station.h"

#include "core/Fields.h"
#include "core/Numbers.h"
#include "core/Paths.h"
#include "finish/ChangeFile.h"
#include "readers/CourseFile.h"
#include "readers/FileLines.h"
#include "readers/StartList.h"
#include "results/Evaluation.h"
#include "results/OutputFiles.h"

#include <filesystem>

namespace quilo {
namespace {

struct Default {
    const char* key;
    const char* value;
};

// The output files by their bare names, which name files of the event folder: a copy of
// the folder (a rehearsal, a second PC) then writes its own results, not the original's.
constexpr Default kDefaults[] = {
    {"SeisekiOutput", "E_Result.txt"}, {"MikikanOutput", "E_NoRet.txt"}, {"TimeLimit", "150"},
    {"ClassListFontSize", "9"},        {"HistoryListFontSize", "9"},     {"EntryListFontSize", "9"},
};

constexpr const char* kOutputKeys[] = {"SeisekiOutput", "MikikanOutput", "XmlOutput", "HtmlOutput"};

// True when an absolute path lies in a folder that holds event files and is not the event
// folder itself (a settings file copied from another event).
bool InOtherEventFolder(const std::string& path, const std::string& eventFolder) {
    namespace fs = std::filesystem;
    if (path.empty() || path.front() != '/') return false;
    std::error_code ec;
    const fs::path dir = fs::weakly_canonical(fs::path(path).parent_path(), ec);
    if (ec) return false;
    const fs::path own = fs::weakly_canonical(fs::path(eventFolder), ec);
    if (ec || dir == own) return false;
    for (const char* name : {"Control.dat", "Startlst.dat"})
        if (fs::exists(dir / name, ec)) return true;
    return false;
}

} // namespace

Station::Station(std::string folder, Clock clock) : Station(std::move(folder), std::move(clock), std::make_unique<Event>()) {}

Station::Station(std::string folder, Clock clock, std::unique_ptr<Event> blankTables)
    : folder_(std::move(folder)), clock_(std::move(clock)), event_(std::move(blankTables)), history_(clock_) {}

Station::~Station() = default;

std::string Station::PathOf(const std::string& fileName) const { return AddBackslash(folder_) + fileName; }

void Station::Startup() {
    if (StartupBeforeLog()) StartupLog();
}

bool Station::StartupBeforeLog() {
    event_->Cards.Clear();
    logPlace_.Forget();
    // A replacement killed before its rename leaves its temporary file behind.
    if (!readOnly_) RemoveLeftoverTemps(folder_);

    startupError_.reset();
    Result<> ready = Cp932Ready();
    settings_ = std::make_unique<IniFile>();
    if (ready && readOnly_) {
        // Without a file name the settings file is never made, appended to or saved.
        const std::string path = PathOf("Quilo.ini");
        const Result<std::string> bytes = FileExists(path) ? ReadFileBytes(path) : Result<std::string>(std::string());
        settings_->LoadText(bytes ? *bytes : std::string());
    } else if (ready) {
        ready = settings_->SetFileName(PathOf("Quilo.ini"));
    }
    if (!ready) {
        startupError_ = ready.Failure();
        startupStopped_ = true;
        return false;
    }
    if (settings_->Encoding() == TextEncoding::Utf8) history_.Warning(ReadAsUtf8Warning("Quilo.ini"));

    // Missing or empty settings get their defaults, in this order.
    for (const auto& d : kDefaults) {
        if (!settings_->Item(d.key).empty()) continue;
        settings_->SetItem(d.key, d.value);
    }
    // A value already there is honoured; outputs that go into another event are said once.
    std::vector<std::string> elsewhere{"　出力先が別の大会のフォルダにあります"};
    for (const char* key : kOutputKeys)
        if (InOtherEventFolder(settings_->Item(key), folder_))
            elsewhere.push_back("　" + std::string(key) + "=" + settings_->Item(key));
    if (elsewhere.size() > 1) history_.Warning(elsewhere);

    // Warned once here, not at every export that falls back to the default.
    const std::string eventDate = TrimBlanks(settings_->Item("EventDate"));
    if (LocalDate d; !eventDate.empty() && !ParseDate(eventDate, d))
        history_.Warning(
            {"　Quilo.ini: EventDate=" + eventDate + " は日付ではないため使いません（YYYY-MM-DD または YYYY/MM/DD）"});

    // The window applies the font sizes itself (FontSize).
    byResult_ = false;
    return LoadEventFiles();
}

bool Station::LoadEventFiles() {
    std::string course = PathOf("Control.dat");
    if (FileExists(course)) {
        // One that cannot be read defines no class (LastClassIndex -1): the lists show
        // that, and the history says the file was met, as it always did.
        if (const Result<Warnings> read = ReadCourseFile(*event_, course)) Warn(*read);
        history_.Report(" (読込)コントロールデータ");
    } else {
        event_->LastClassIndex = 0;
    }

    // A start-list row of an undefined class ends the start-up here. The bytes read are
    // kept: the entry desk writes only over the file it read.
    std::string start = PathOf("Startlst.dat");
    startListIncomplete_ = false;
    startList_ = {};
    if (FileExists(start)) {
        Result<std::string> bytes = ReadFileBytes(start);
        std::optional<StartListRead> read;
        if (bytes) read = ReadStartListText(*event_, *bytes);
        startList_.read = static_cast<bool>(bytes);
        if (bytes) startList_.bytes = std::move(*bytes);
        if (read) {
            Warn(read->warnings);
            startList_.rowLines = std::move(read->rowLines);
        }
        // Competitors missing from the tables: no list made from them is final.
        startListIncomplete_ = !read || read->undefinedClass || read->skippedRows > 0;
        if (read && read->undefinedClass) {
            startupStopped_ = true;
            return false;
        }
        history_.Report(" (読込)スタートリスト");
    } else {
        startList_.read = true;
        startList_.missing = true;
    }

    // The sport's ids an import kept, for the result list; one that cannot be read
    // leaves the list as it would be without.
    identities_.reset();
    if (FileExists(PathOf(kEntriesFile)))
        if (Result<Identities> ids = ReadIdentities(PathOf(kEntriesFile)); ids && !ids->Empty())
            identities_ = std::make_shared<const Identities>(std::move(*ids));

    // The change file is replayed before the log is read, so the reader finds the
    // operator's fields in place.
    if (FileExists(PathOf("Change.dat"))) {
        LoadData();
        history_.Report(" (読込)変更データ");
    }
    return true;
}

void Station::Reload() {
    // What the reload reads again was said when first read: the history stays as it is.
    const std::size_t kept = history_.Lines().size();
    const std::uint64_t reads = readSerial_;
    const std::function<void()> observer = history_.Observer();
    history_.SetObserver({});
    event_ = std::make_unique<Event>();
    logPlace_.Forget();
    startupStopped_ = false;
    // A spare card not yet answered stays unassigned, as after a cancel.
    askSpares_ = false;
    if (LoadEventFiles()) StartupLog();
    askSpares_ = true;
    history_.Truncate(kept);
    history_.SetObserver(observer);
    if (observer) observer();
    // Without a log (or stopped before it) the read's refresh has not come.
    if (readSerial_ == reads) RefreshStatus();
}

void Station::StartupLog() {
    if (FileExists(PathOf("Regnly.log"))) ReadFinishLog();
}

void Station::ReadFinishLog() { Read(false, UINT64_MAX); }

void Station::FollowLog(bool on) {
    followLog_ = on;
    logPlace_.Forget();
}

void Station::AutoReadFinishLog(std::uint64_t byteLimit) { Read(true, byteLimit); }

namespace {

// What a read can change in the tables, folded into one digest (taken twice a read: a
// block digest, not a byte at a time).
ByteDigest ReadDigest(const Event& ev) {
    ByteDigest d;
    std::string row;
    auto text = [&row](const std::string& s) {
        const auto size = static_cast<std::uint32_t>(s.size());
        row.append(reinterpret_cast<const char*>(&size), sizeof size);
        row += s;
    };
    auto bytes = [&row](const void* data, std::size_t size) { row.append(static_cast<const char*>(data), size); };
    for (int n = 0; n < ev.Rows(); ++n) {
        const EntryRecord* e = ev.EntryOf(n);
        if (!e) continue;
        row.clear();
        // A confirmation the read takes back comes again with the refresh after it.
        text(e->Status == "OK" ? std::string() : e->Status);
        text(e->CheckStatus);
        const std::int64_t times[] = {e->RunningTime.Seconds(), e->CardTime.Seconds()};
        bytes(times, sizeof times);
        const int flags[] = {e->EcardNumber, e->CardRead ? 1 : 0};
        bytes(flags, sizeof flags);
        d.Add(row);
        d.Add({reinterpret_cast<const char*>(ev.PunchTimes[n].data()), sizeof ev.PunchTimes[n]});
        d.Add({reinterpret_cast<const char*>(ev.PunchCodes[n].data()), sizeof ev.PunchCodes[n]});
    }
    return d;
}

} // namespace

void Station::Read(bool automatic, std::uint64_t byteLimit) {
    // A modal spare-card question inside a read lets timers run: never start another.
    if (reading_) return;
    reading_ = true;
    ++readSerial_;
    Busy(true);
    const ByteDigest before = automatic ? ReadDigest(*event_) : ByteDigest();
    SparePrompt prompt = [this, automatic](int spareRow) {
        if (automatic && cancelledSpares_.count(spareRow)) return SpareAnswer::Cancelled;
        const SpareAnswer answer = askSpares_ && sparePrompt_ ? sparePrompt_(spareRow) : SpareAnswer::Cancelled;
        if (answer == SpareAnswer::Cancelled) cancelledSpares_.insert(spareRow);
        else cancelledSpares_.erase(spareRow);
        return answer;
    };
    History lines(clock_);
    lastReadAppended_ = false;
    if (followLog_) {
        // A read from the first line would ask again only for a spare card not cancelled
        // in this run: with none such among the lines read, the appended lines suffice.
        std::function<bool(int)> quiet;
        if (automatic) quiet = [this](int spareRow) { return cancelledSpares_.count(spareRow) > 0; };
        // A log that cannot be read now is read at the next read; its lines read before
        // a failure are in `lines` already.
        const Result<bool> read =
            ReadFinishLogFollowing(*event_, PathOf("Regnly.log"), lines, prompt, logPlace_, quiet, byteLimit);
        lastReadAppended_ = read && *read;
    } else {
        static_cast<void>(ReadFinishLogFile(*event_, PathOf("Regnly.log"), lines, prompt, byteLimit));
    }
    firstReadDate_ = FirstReadDate(PathOf("Regnly.log"));
    // The first line reports the read; the others are its warnings.
    std::vector<std::string> warnings;
    for (std::size_t i = 1; i < lines.Lines().size(); ++i) warnings.push_back(lines.Lines()[i].text);
    // A read the station made by itself says what changed only: its read line when a
    // record changed, its warnings when they differ from the last read's (else every
    // card read repeats the same warnings and the operator's corrections scroll away).
    const bool newWarnings = !automatic || warnings != lastWarnings_;
    const bool changed = !automatic || ReadDigest(*event_) != before;
    if (newWarnings) history_.Append(lines);
    else if (changed) history_.Append(lines, 1);
    lastWarnings_ = std::move(warnings);
    Busy(false);
    reading_ = false;
    // The read's own refresh, which is also the one held for whoever asked meanwhile.
    RefreshStatus();
}

bool Station::SettingIsOne(const char* key) const {
    if (!settings_) return false;
    auto v = ToWholeNumber(settings_->Item(key));
    return v && *v == 1;
}

bool Station::AutoReadOn() const { return SettingIsOne("AutoRead"); }
bool Station::AutoPublishOn() const { return SettingIsOne("AutoPublish"); }

// A change file that cannot be read replays nothing; the start-up goes on without it.
void Station::LoadData() {
    if (const Result<Warnings> read = LoadChangeFile(*event_, PathOf("Change.dat"))) Warn(*read);
}

void Station::Warn(const Warnings& warnings) {
    for (const auto& lines : warnings) history_.Warning(lines);
}

Result<> Station::SaveData(const std::string& line) { return SaveChangeRecord(PathOf("Change.dat"), line); }

Result<> Station::Correct(const ChangeRecord& record, const std::string& historyText, int competitor) {
    ApplyAsStored(*event_, record);
    // A confirmation rests on who of the class is still out, which a correction can turn
    // either way: taken back here, the next refresh confirms what a restart would.
    if (event_->EntryOf(competitor)) {
        const auto c = static_cast<std::size_t>(event_->EntryClass[static_cast<std::size_t>(competitor)]);
        for (EntryRecord& r : event_->Entries[c])
            if (r.Status == "OK") r.Status.clear();
    }
    // The line carries the card the competitor runs on now (a spare card once assigned).
    const EntryRecord* e = event_->EntryOf(competitor);
    history_.ReportFor(historyText, e ? e->EcardNumber : 0, competitor);
    return SaveData(record.Text());
}

Time Station::TimeLimit() const { return settings_ ? TimeLimitOf(*settings_) : TimeLimitFromText("150"); }

float Station::FontSize(const char* key) const {
    if (!settings_) return 0.0f;
    return static_cast<float>(LeadingNumber(settings_->Item(key)));
}

void Station::RefreshStatus() {
    // A timer firing while the spare-card question waits inside a read would judge and
    // publish a half-read log: held for the refresh the read ends with.
    if (reading_) {
        refreshHeld_ = true;
        return;
    }
    Refresh();
    HandOut();
}

void Station::Refresh() {
    refreshHeld_ = false;
    Busy(true);
    quilo::RefreshStatus(*event_, clock_(), TimeLimit(), byResult_, lists_);
    snapshot_ = NextSnapshot(*event_, ExportDetails(), lists_, snapshot_);
    Busy(false);
}

void Station::HandOut() {
    // Held here: a handler may refresh again, subscribe or end subscriptions.
    const std::shared_ptr<const ResultsSnapshot> snap = snapshot_;
    const std::shared_ptr<Subscription::Hub> hub = hub_;
    std::vector<std::pair<std::uint64_t, std::shared_ptr<const SnapshotHandler>>> handlers(hub->handlers.begin(),
                                                                                           hub->handlers.end());
    for (const auto& [id, handler] : handlers)
        if (hub->handlers.count(id)) (*handler)(snap);
}

Subscription Station::Subscribe(SnapshotHandler handler) {
    const std::uint64_t id = hub_->next++;
    hub_->handlers.emplace(id, std::make_shared<const SnapshotHandler>(std::move(handler)));
    return Subscription(hub_, id);
}

Subscription::Subscription(Subscription&& other) noexcept : hub_(std::move(other.hub_)), id_(other.id_) { other.id_ = 0; }

Subscription& Subscription::operator=(Subscription&& other) noexcept {
    if (this != &other) {
        Reset();
        hub_ = std::move(other.hub_);
        id_ = other.id_;
        other.id_ = 0;
    }
    return *this;
}

void Subscription::Reset() {
    if (auto hub = hub_.lock()) hub->handlers.erase(id_);
    hub_.reset();
    id_ = 0;
}

std::optional<std::uint64_t> Station::WrittenAt(const std::string& path) const {
    const auto it = writtenAt_.find(path);
    if (it == writtenAt_.end()) return std::nullopt;
    return it->second;
}

void Station::SetSortByResult(bool byResult) {
    byResult_ = byResult;
    RefreshStatus();
}

std::string Station::OutputPath(const char* key) const {
    std::string path = settings_ ? settings_->Item(key) : std::string();
    // A relative path names a file of the event folder, as it did where the program's
    // folder was the working folder; never one of wherever the program was started.
    if (!path.empty() && path.front() != '/') path = PathOf(path);
    return path;
}

Result<std::string> Station::WriteLines(const char* key, std::vector<std::string> (*build)(const ResultsSnapshot&)) {
    // The subscribers hear of the refresh once the file is written: a publisher then
    // leaves the file alone instead of writing the same again.
    const bool refreshed = !reading_;
    if (refreshed) Refresh();
    else refreshHeld_ = true;
    Busy(true);
    std::string path = OutputPath(key);
    Result<std::string> r =
        path.empty() ? Error::Of(Error::Kind::NoPath) : WithValue(ReplaceFile(path, build(*snapshot_)), path);
    Busy(false);
    if (r) writtenAt_[path] = snapshot_->serial;
    if (refreshed) HandOut();
    return r;
}

Result<std::string> Station::WriteResults() { return WriteLines("SeisekiOutput", BuildResultsFile); }

Result<std::string> Station::WriteNotReturned() { return WriteLines("MikikanOutput", BuildNotReturnedFile); }

Result<> Station::ReleaseSettings() {
    if (!settings_) return {};
    return settings_->Save();
}

} // namespace quilo
