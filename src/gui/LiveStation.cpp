#include "gui/LiveStation.h"

#include "station/LiveReader.h"
#include "station/Publisher.h"
#include "station/Station.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

namespace quilo {

LiveStation::LiveStation(Station& station, QObject* parent) : QObject(parent), station_(station) {
    station_.onRefreshed = [this] { Refreshed(); };
}

LiveStation::~LiveStation() { station_.onRefreshed = nullptr; }

void LiveStation::Refreshed() {
    if (onRefreshed) onRefreshed();
    Publish();
}

void LiveStation::Publish() {
    if (publisher_) publisher_->Publish();
}

void LiveStation::Start() {
    if (station_.AutoPublishOn()) {
        publisher_ = std::make_unique<Publisher>(station_);
        Publish();
    }
    if (station_.AutoReadOn()) StartReading();
}

void LiveStation::StartReading() {
    live_ = std::make_unique<LiveReader>(station_);
    live_->isFree = [this] { return StationIsFree(); };
    clock_.start();
    const QString folder = QString::fromStdString(station_.Folder());
    const QString log = QString::fromStdString(station_.PathOf("Regnly.log"));
    watcher_ = new QFileSystemWatcher(this);
    watcher_->addPath(folder);
    if (QFileInfo::exists(log)) watcher_->addPath(log);
    auto changed = [this, log] {
        // A log created or replaced is a new file to watch.
        if (QFileInfo::exists(log) && !watcher_->files().contains(log)) watcher_->addPath(log);
        PollLog();
    };
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, changed);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, changed);
    // The size and time are looked at anyway: a watcher misses changes on network shares.
    lookTimer_ = new QTimer(this);
    lookTimer_->setObjectName(QStringLiteral("LiveTimer"));
    lookTimer_->setInterval(kLookMs);
    connect(lookTimer_, &QTimer::timeout, this, &LiveStation::PollLog);
    lookTimer_->start();
}

void LiveStation::PollLog() {
    if (!live_ || stopped_) return;
    autoReading_ = true;
    const std::int64_t again = live_->Poll(clock_.elapsed());
    autoReading_ = false;
    // What waits (the end of a burst) is looked at again then, not at the next tick.
    if (again >= 0) QTimer::singleShot(static_cast<int>(again), this, &LiveStation::PollLog);
}

bool LiveStation::StationIsFree() const {
    if (dialogOpen && dialogOpen()) return false;
    if (listPressed_) return false;
    // A press may be the first half of a double click that opens the edit dialog.
    return !lastListPress_.isValid() || lastListPress_.elapsed() > doubleClickMs;
}

void LiveStation::ListPressed() {
    listPressed_ = true;
    lastListPress_.start();
}

void LiveStation::ListReleased() {
    listPressed_ = false;
    lastListPress_.start();
}

void LiveStation::DialogClosed() {
    listPressed_ = false;
    lastListPress_.invalidate();
    if (live_) QTimer::singleShot(0, this, &LiveStation::PollLog);
}

} // namespace quilo
