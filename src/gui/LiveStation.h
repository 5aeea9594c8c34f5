#pragma once
// The live station (AutoRead=1, AutoPublish=1) without its window: a file watcher and a
// timer look at the finish log and read it when the operator is not busy, and the
// published files follow every refresh. QtCore only: the window tells it what the
// operator does (a dialog open, a press in a list) and shows what the station holds.
//
//   LiveStation live(station);
//   live.dialogOpen = [] { return QApplication::activeModalWidget() != nullptr; };
//   station.Startup();
//   live.Start();                 // publishes and follows the log as the settings say
//   press in a list -> live.ListPressed();  release -> live.ListReleased();
//   dialog closed   -> live.DialogClosed();
#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <memory>

class QFileSystemWatcher;
class QTimer;

namespace quilo {

class LiveReader;
class Publisher;
class Station;

class LiveStation : public QObject {
    Q_OBJECT

public:
    // Between the log's looks.
    static constexpr int kLookMs = 250;

    explicit LiveStation(Station& station, QObject* parent = nullptr);
    ~LiveStation() override;

    // After the start-up: the publisher (AutoPublish=1) writes the files once, the
    // reading (AutoRead=1) starts.
    void Start();
    // The window unloads: no more reads.
    void Stop() { stopped_ = true; }
    bool Reading() const { return live_ != nullptr; }
    bool Publishing() const { return publisher_ != nullptr; }
    // True while a read the station makes by itself runs (the window keeps the
    // operator's selection through it).
    bool AutoReading() const { return autoReading_; }
    // The operator: a press in a list (or its double click), its release.
    void ListPressed();
    void ListReleased();
    // A dialog opened by a double click has closed: the press that opened it holds the
    // reading no longer, and what came meanwhile is read now.
    void DialogClosed();
    // True when the operator is not busy with the station: no dialog open, no press held,
    // no press that may still become a double click.
    bool StationIsFree() const;

    // The window: a modal dialog or a popup is open. Unset: none.
    std::function<bool()> dialogOpen;
    // The desktop's double-click interval.
    int doubleClickMs = 400;
    // After every refresh, before the files are published (the window shows the lists).
    std::function<void()> onRefreshed;

    QTimer* LookTimer() const { return lookTimer_; }

public slots:
    // Looks at the log and reads it when it changed and the station is free.
    void PollLog();

private:
    void StartReading();
    void Refreshed();
    // The one place the publisher is told: at the start and after every refresh.
    void Publish();

    Station& station_;
    std::unique_ptr<LiveReader> live_;
    std::unique_ptr<Publisher> publisher_;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* lookTimer_ = nullptr;
    QElapsedTimer clock_;
    QElapsedTimer lastListPress_;
    bool listPressed_ = false;
    bool autoReading_ = false;
    bool stopped_ = false;
};

} // namespace quilo
