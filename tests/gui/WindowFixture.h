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
        // Recorded by card number: the competitor's card, the spare row's card.
        window.editOpener = [this](Station& s, int competitor, QWidget* owner) {
            const EntryRecord* r = s.Tables().EntryOf(competitor);
            edits.push_back(r ? r->EcardNumber : -1);
            owners.push_back(owner);
        };
        window.spareOpener = [this](Station& s, int spareRow, QWidget*) {
            spares.push_back(std::stoi(s.Tables().CardTexts[static_cast<std::size_t>(spareRow)]));
            return SpareAnswer::Cancelled;
        };
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

    // The row of the list line that names the competitor with this card (-1: none).
    int RowOfCard(const QListWidget* list, const std::string& card) const {
        const auto n = station.Tables().Cards.Find(card);
        return n ? RowWithData(list, *n) : -1;
    }

    Station station;
    MainWindow window;
    std::vector<int> edits, spares;
    std::vector<QWidget*> owners;
    QStringList titles, messages;
    int refreshes = 0;
};

} // namespace quilo::test
