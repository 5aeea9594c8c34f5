#pragma once
// The station: owns the event, the settings, the history, the event folder and the
// clock, and runs the operations that the window and quilo-report share.
#include "core/Calendar.h"
#include "core/Event.h"
#include "core/Files.h"
#include "core/History.h"
#include "core/IniFile.h"
#include "core/LineWarnings.h"
#include "finish/ChangeRecord.h"
#include "finish/FinishLog.h"
#include "results/ExportCommon.h"
#include "results/ResultsSnapshot.h"
#include "results/StatusRefresh.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quilo {

using SnapshotHandler = std::function<void(const std::shared_ptr<const ResultsSnapshot>&)>;

// A handler's place among the station's subscribers: it ends with this object. Safe when
// the station is gone first, and when a handler ends a subscription while it is called.
class Subscription {
public:
    Subscription() = default;
    Subscription(Subscription&& other) noexcept;
    Subscription& operator=(Subscription&& other) noexcept;
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { Reset(); }
    void Reset();

    struct Hub {
        std::uint64_t next = 1;
        std::map<std::uint64_t, std::shared_ptr<const SnapshotHandler>> handlers;
    };

private:
    friend class Station;
    Subscription(std::weak_ptr<Hub> hub, std::uint64_t id) : hub_(std::move(hub)), id_(id) {}
    std::weak_ptr<Hub> hub_;
    std::uint64_t id_ = 0;
};

class Station {
public:
    explicit Station(std::string folder, Clock clock = SystemClock());
    // With tables the caller hands over (blank, as a new Event is): a caller that runs
    // many stations in turn reuses one table instead of building 1 MB each time.
    Station(std::string folder, Clock clock, std::unique_ptr<Event> blankTables);
    ~Station();
    // Gives the tables back; the station must not be used afterwards.
    std::unique_ptr<Event> ReleaseTables() { return std::move(event_); }

    // The start-up: settings and their defaults, course file, start list, change file,
    // finish log (which ends with the status refresh).
    void Startup();
    // The same in two steps, for a caller that checks the event before the finish log is
    // read: everything up to the finish log (false when the start-up stopped), then the log.
    bool StartupBeforeLog();
    void StartupLog();
    // Loads the event again exactly as the start-up does (course file, start list, change
    // file, finish log), after the entry desk wrote the start list: the history stays as
    // it was, the settings and the sort order too, and no spare card is asked about.
    void Reload();
    // The start list as the last start-up or reload read it.
    struct StartListState {
        bool read = false;    // read whole, or known to be missing
        bool missing = false; // there was none
        std::string bytes;
        // [competitor number]: the file's line (from 0) of that row.
        std::vector<int> rowLines;
    };
    const StartListState& StartList() const { return startList_; }
    // Reads the whole finish log again (when it exists), then refreshes.
    void ReadFinishLog();
    // A read the station starts by itself: only the log's first `byteLimit` bytes (its
    // whole lines), a spare card the operator cancelled in this run is not asked again,
    // its read line is kept only when it changed a competitor's record, its warnings only
    // when they differ from the last read's. Nothing happens while a read runs.
    void AutoReadFinishLog(std::uint64_t byteLimit);
    bool Reading() const { return reading_; }
    // Follows the finish log (the live station): every read keeps where it stopped, and a
    // read the station makes by itself takes only the lines appended since when the log
    // only grew, leaving the tables and history as a read from the first line would.
    // The spare-card question comes exactly when such a read would ask it: for the new
    // lines as there; for the lines read before, a read by itself asks again only for a
    // spare card not cancelled in this run, and one such among them (or a card that now
    // leads elsewhere) makes it a whole read. A pressed read always reads the whole log.
    // Off (quilo-report): every read is a whole read.
    void FollowLog(bool on);
    // Leaves the event folder as it is (a follower on another PC), set before the
    // start-up: no leftover temporary file removed, the settings read from the file
    // without it being made or added to (the defaults held in memory only).
    void ReadOnly(bool on) { readOnly_ = on; }
    // True when the last read took only the appended lines.
    bool LastReadAppended() const { return lastReadAppended_; }
    // Counts the reads of the finish log, pressed or automatic.
    std::uint64_t ReadSerial() const { return readSerial_; }
    // The live station's two switches (settings read when present, never added).
    bool AutoReadOn() const;
    bool AutoPublishOn() const;
    // Replays the change file (the caller checks that it exists).
    void LoadData();
    // Appends one change record to Change.dat, on stable storage before it returns.
    Result<> SaveData(const std::string& line);
    // A correction from a dialog for a competitor: applied as the change file will keep it
    // (so the next start gives the same), then its history line, then its record appended.
    Result<> Correct(const ChangeRecord& record, const std::string& historyText, int competitor);
    // Judges, places, rebuilds the lists and takes the snapshot, then hands it to the
    // subscribers. Asked for while a read runs, it is held: the read ends with one
    // refresh, however often it was asked for.
    void RefreshStatus();
    // True while a refresh asked for waits for the read to end.
    bool RefreshHeld() const { return refreshHeld_; }
    // The handler is called with the snapshot after every refresh, in the order subscribed.
    [[nodiscard]] Subscription Subscribe(SnapshotHandler handler);
    // The latest refresh's snapshot.
    std::shared_ptr<const ResultsSnapshot> Snapshot() const { return snapshot_; }
    // The serial of the snapshot an output button last wrote the file at, if it did.
    std::optional<std::uint64_t> WrittenAt(const std::string& path) const;
    // The sort buttons: set the order, then refresh.
    void SetSortByResult(bool byResult);
    bool SortByResult() const { return byResult_; }
    // The output buttons: refresh, then replace the file named by the setting (the path
    // written when it worked).
    Result<std::string> WriteResults();
    Result<std::string> WriteNotReturned();
    // The results button's whole output: the results file as above, then the IOF XML
    // result list and the HTML page (paths from XmlOutput and HtmlOutput, or the given
    // ones), each replaced only once written whole.
    struct ResultOutputs {
        Result<std::string> results, xml, html;
        // The IOF XML start list (StartXmlOutput), for the online services.
        Result<std::string> startXml;
    };
    ResultOutputs WriteResultOutputs(const std::string& xmlPath = {}, const std::string& htmlPath = {});
    // Where an export goes: its setting's path, else its default in the event folder.
    enum class ExportKind { Xml, Html, StartXml };
    std::string ExportPath(ExportKind kind) const;
    // The event name, dates, clock and time limit the exports carry. The event date is
    // EventDate when it holds a date, else the day of the finish log's first read, else
    // today: results published the next day keep the day they were run.
    ExportInfo ExportDetails() const;
    // Saves the settings when a value changed (the window's unload).
    Result<> ReleaseSettings();

    // Seams: the spare-card question (its answer: assigned or cancelled) and the clock.
    void SetSparePrompt(SparePrompt prompt) { sparePrompt_ = std::move(prompt); }
    Time Now() const { return clock_(); }
    void SetCalendar(Calendar calendar) { calendar_ = std::move(calendar); }

    Event& Tables() { return *event_; }
    const Event& Tables() const { return *event_; }
    IniFile& Settings() { return *settings_; }
    const IniFile& Settings() const { return *settings_; }
    History& OperationHistory() { return history_; }
    const History& OperationHistory() const { return history_; }
    const StatusLists& Lists() const { return lists_; }

    const std::string& Folder() const { return folder_; }
    std::string PathOf(const std::string& fileName) const; // folder + "/" + name
    Time TimeLimit() const;
    // The file an output setting names (a relative path taken in the event folder).
    std::string OutputPath(const char* key) const;
    // Font size settings as numbers (0 when not a number).
    float FontSize(const char* key) const;

    // True when the start list named an undefined class and the start-up stopped.
    bool StartupStopped() const { return startupStopped_; }
    // What stopped the start-up before any event file was read (no CP932 converter, the
    // settings file refused), for the start-up to report; null when nothing did.
    const Error* StartupError() const { return startupError_ ? &*startupError_ : nullptr; }
    // True when the start list was not read whole: it could not be read, it stopped at
    // an undefined class or rows of it were skipped.
    bool StartListIncomplete() const { return startListIncomplete_; }

    // Busy notifications (the window shows the hourglass between the two).
    std::function<void(bool busy)> onBusy;

private:
    void Busy(bool b) {
        if (onBusy) onBusy(b);
    }
    void Read(bool automatic, std::uint64_t byteLimit);
    bool LoadEventFiles();
    void Refresh();
    void HandOut();
    Result<std::string> WriteLines(const char* key, std::vector<std::string> (*build)(const ResultsSnapshot&));
    // A reader's warnings into the history, each under its banner.
    void Warn(const Warnings& warnings);
    bool SettingIsOne(const char* key) const;
    std::string folder_;
    Clock clock_;
    std::unique_ptr<Event> event_;
    std::unique_ptr<IniFile> settings_;
    History history_;
    StatusLists lists_;
    bool byResult_ = false;
    std::shared_ptr<const ResultsSnapshot> snapshot_ = std::make_shared<const ResultsSnapshot>();
    std::shared_ptr<Subscription::Hub> hub_ = std::make_shared<Subscription::Hub>();
    std::map<std::string, std::uint64_t> writtenAt_;
    SparePrompt sparePrompt_;
    Calendar calendar_ = SystemCalendar();
    bool startupStopped_ = false;
    std::optional<Error> startupError_;
    bool startListIncomplete_ = false;
    // The day of the finish log's first read, as the last read of the log found it.
    std::optional<LocalDate> firstReadDate_;
    bool reading_ = false;
    bool refreshHeld_ = false;
    std::uint64_t readSerial_ = 0;
    std::set<int> cancelledSpares_;
    bool askSpares_ = true;
    StartListState startList_;
    std::shared_ptr<const Identities> identities_;
    bool followLog_ = false;
    bool readOnly_ = false;
    LogPlace logPlace_;
    bool lastReadAppended_ = false;
    std::vector<std::string> lastWarnings_;
};

} // namespace quilo
