#pragma once
// A window over a test folder with every modal replaced by a recorder.
#include "Exposed.h"
#include "WindowTestEvent.h"
#include "gui/MainWindow.h"
#include "station/Station.h"

#include <QStringList>
#include <QWidget>

#include <vector>

namespace quilo::test {

struct WindowFixture {
    WindowFixture(const TempDir& dir, Time now) : station(dir.Path(), FixedClock(now)), window(station) {
        window.editOpener = [this](Station&, int id, QWidget* owner) {
            edits.push_back(id);
            owners.push_back(owner);
        };
        window.spareOpener = [this](Station&, int id, QWidget*) { spares.push_back(id); };
        window.critical = [this](QWidget*, const QString& title, const QString& text) {
            titles << title;
            messages << text;
        };
    }

    // Start-up, then count every refresh from here on.
    void LoadAndCountRefreshes() {
        window.Load();
        auto shown = station.onRefreshed;
        station.onRefreshed = [this, shown] {
            ++refreshes;
            shown();
        };
    }

    Station station;
    MainWindow window;
    std::vector<int> edits, spares;
    std::vector<QWidget*> owners;
    QStringList titles, messages;
    int refreshes = 0;
};

} // namespace quilo::test
