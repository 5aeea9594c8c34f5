#include "station/Station.h"

#include "core/General.h"
#include "finish/ChangeFile.h"
#include "readers/CourseFile.h"
#include "readers/StartList.h"
#include "results/Evaluation.h"
#include "results/OutputFiles.h"

namespace quilo {
namespace {

struct Default {
    const char* key;
    const char* value;  // null: a path in the event folder (file name below)
    const char* file;
};

constexpr Default kDefaults[] = {
    {"SeisekiOutput", nullptr, "E_Result.txt"},
    {"MikikanOutput", nullptr, "E_NoRet.txt"},
    {"TimeLimit", "150", nullptr},
    {"ClassListFontSize", "9", nullptr},
    {"HistoryListFontSize", "9", nullptr},
    {"EntryListFontSize", "9", nullptr},
};

} // namespace

Station::Station(std::string folder, Clock clock)
    : Station(std::move(folder), std::move(clock), std::make_unique<Event>()) {}

Station::Station(std::string folder, Clock clock, std::unique_ptr<Event> blankTables)
    : folder_(std::move(folder)), clock_(std::move(clock)), event_(std::move(blankTables)), history_(clock_) {}

Station::~Station() = default;

std::string Station::PathOf(const std::string& fileName) const { return AddBackslash(folder_) + fileName; }

void Station::Startup() {
    event_->Cards.Clear();
    // A replacement killed before its rename leaves its temporary file behind.
    RemoveLeftoverTemps(folder_);

    settings_ = std::make_unique<IniFile>();
    settings_->SetFileName(PathOf("Quilo.ini"));

    // Missing or empty settings get their defaults, in this order.
    for (const auto& d : kDefaults) {
        if (!settings_->Item(d.key).empty()) continue;
        settings_->SetItem(d.key, d.value ? std::string(d.value) : PathOf(d.file));
    }

    // Warned once here, not at every export that falls back to the default.
    const std::string eventDate = TrimBlanks(settings_->Item("EventDate"));
    if (LocalDate d; !eventDate.empty() && !ParseDate(eventDate, d))
        history_.Warning({"　Quilo.ini: EventDate=" + eventDate + " は日付ではないため使いません（YYYY-MM-DD または YYYY/MM/DD）"});

    // The window applies the font sizes itself (FontSize).
    event_->SortByResult = 0;

    std::string course = PathOf("Control.dat");
    if (FileExists(course)) {
        ReadCourseFile(*event_, course, history_);
        history_.Report(" (読込)コントロールデータ");
    } else {
        event_->LastClassIndex = 0;
    }

    // A start-list row of an undefined class ends the start-up here.
    std::string start = PathOf("Startlst.dat");
    startListIncomplete_ = false;
    if (FileExists(start)) {
        const StartListResult read = ReadStartList(*event_, start, history_);
        // Competitors missing from the tables: no list made from them is final.
        startListIncomplete_ = !read.file || read.undefinedClass || read.skippedRows > 0;
        if (read.undefinedClass) {
            startupStopped_ = true;
            return;
        }
        history_.Report(" (読込)スタートリスト");
    }

    // The change file is replayed before the log is read, so the reader finds the
    // operator's fields in place.
    if (FileExists(PathOf("Change.dat"))) {
        LoadData();
        history_.Report(" (読込)変更データ");
    }

    if (FileExists(PathOf("Regnly.log"))) ReadFinishLog();
}

void Station::ReadFinishLog() { Read(false, UINT64_MAX); }

void Station::AutoReadFinishLog(std::uint64_t byteLimit) { Read(true, byteLimit); }

namespace {

// What a read can change in the tables, folded into one number.
std::uint64_t ReadDigest(const Event& ev) {
    std::uint64_t h = 1469598103934665603ull;
    auto mix = [&h](const void* data, std::size_t size) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 1099511628211ull;
    };
    auto mixText = [&](const std::string& s) {
        mix(s.data(), s.size());
        mix("", 1);
    };
    for (int n = 0; n < ev.Cards.Count() && n < kMaxCompetitors; ++n) {
        const EntryRecord* e = ev.EntryOf(n);
        if (!e) continue;
        // A confirmation the read takes back comes again with the refresh after it.
        mixText(e->Status == "OK" ? std::string() : e->Status);
        mixText(e->CheckStatus);
        const std::int64_t times[] = {e->RunningTime.Seconds(), e->CardTime.Seconds()};
        mix(times, sizeof times);
        const int flags[] = {e->EcardNumber, e->CardRead ? 1 : 0};
        mix(flags, sizeof flags);
        mix(ev.PunchTimes[n], sizeof ev.PunchTimes[n]);
        mix(ev.PunchCodes[n], sizeof ev.PunchCodes[n]);
    }
    return h;
}

} // namespace

void Station::Read(bool automatic, std::uint64_t byteLimit) {
    // A modal spare-card question inside a read lets timers run: never start another.
    if (reading_) return;
    reading_ = true;
    ++readSerial_;
    Busy(true);
    const std::uint64_t before = automatic ? ReadDigest(*event_) : 0;
    SparePrompt prompt = [this, automatic](int ecardId) {
        if (automatic && cancelledSpares_.count(ecardId)) return;
        if (sparePrompt_) sparePrompt_(ecardId);
        if (Tag.empty()) cancelledSpares_.insert(ecardId);
        else cancelledSpares_.erase(ecardId);
    };
    History lines(clock_);
    ReadFinishLogFile(*event_, PathOf("Regnly.log"), lines, Tag, prompt, byteLimit);
    firstReadDate_ = FirstReadDate(PathOf("Regnly.log"));
    // The first line reports the read; the others are its warnings.
    std::vector<std::string> warnings;
    for (std::size_t i = 1; i < lines.Lines().size(); ++i) warnings.push_back(lines.Lines()[i].text);
    const bool quiet = automatic && warnings == lastWarnings_ && ReadDigest(*event_) == before;
    if (!quiet) history_.Append(lines);
    lastWarnings_ = std::move(warnings);
    Busy(false);
    reading_ = false;
    RefreshStatus();
}

bool Station::SettingIsOne(const char* key) const {
    if (!settings_) return false;
    auto v = ToWholeNumber(settings_->Item(key));
    return v && *v == 1;
}

bool Station::AutoReadOn() const { return SettingIsOne("AutoRead"); }
bool Station::AutoPublishOn() const { return SettingIsOne("AutoPublish"); }

void Station::LoadData() { LoadChangeFile(*event_, PathOf("Change.dat"), history_); }

IoResult Station::SaveData(const std::string& line) { return SaveChangeRecord(PathOf("Change.dat"), line); }

IoResult Station::Correct(const ChangeRecord& record, const std::string& historyText, int itemData) {
    ApplyAsStored(*event_, record);
    history_.Report(historyText, itemData);
    return SaveData(record.Text());
}

Time Station::TimeLimit() const { return settings_ ? TimeLimitOf(*settings_) : TimeLimitFromText("150"); }

float Station::FontSize(const char* key) const {
    if (!settings_) return 0.0f;
    return static_cast<float>(LeadingNumber(settings_->Item(key)));
}

void Station::RefreshStatus() {
    Busy(true);
    quilo::RefreshStatus(*event_, clock_(), TimeLimit(), lists_);
    Busy(false);
    if (onRefreshed) onRefreshed();
}

void Station::SetSortByResult(bool byResult) {
    event_->SortByResult = byResult ? 1 : 0;
    RefreshStatus();
}

std::string Station::OutputPath(const char* key) const {
    std::string path = settings_ ? settings_->Item(key) : std::string();
    // A relative path names a file of the event folder, as it did where the program's
    // folder was the working folder; never one of wherever the program was started.
    if (!path.empty() && path.front() != '/') path = PathOf(path);
    return path;
}

IoResult Station::WriteResults() {
    RefreshStatus();
    Busy(true);
    std::string path = OutputPath("SeisekiOutput");
    IoResult r = path.empty() ? IoResult::Fail(path, IoResult::Problem::NoPath)
                              : ReplaceFile(path, BuildResultsFile(*event_, TimeLimit()));
    Busy(false);
    return r;
}

IoResult Station::WriteNotReturned() {
    RefreshStatus();
    Busy(true);
    std::string path = OutputPath("MikikanOutput");
    IoResult r = path.empty() ? IoResult::Fail(path, IoResult::Problem::NoPath)
                              : ReplaceFile(path, BuildNotReturnedFile(*event_));
    Busy(false);
    return r;
}

IoResult Station::ReleaseSettings() {
    if (!settings_) return IoResult::Ok();
    IoResult r = settings_->Save();
    return r;
}

} // namespace quilo
