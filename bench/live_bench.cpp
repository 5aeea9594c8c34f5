// The live station on a benchmark event: from a line appended to the finish log to the
// window's competitor list showing it, for 50 appends, on the offscreen platform. Prints
// the median and the worst, and with --marks=large the mark on the median; exits
// 1 when a line was not shown within 5 seconds.
//
//   quilo_live_bench [--event=FOLDER] [--marks=capacity|large] [--appends=N]
#include "BenchEvent.h"

#include "core/Cp932.h"
#include "core/Files.h"
#include "gui/Fonts.h"
#include "gui/MainWindow.h"
#include "station/Station.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

using namespace quilo;

namespace {

bool ListShows(const QListWidget* list, const QString& text) {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().contains(text)) return true;
    return false;
}

// The first line of the log that has a finish ("100" code), up to the finish time: a
// whole read of the log as the card reader wrote it for one card.
std::string LineBeforeFinishTime(const std::string& log) {
    const Result<std::vector<std::string>> lines = ReadTextLines(log);
    if (!lines) return {};
    for (const std::string& line : *lines)
        if (const auto at = line.rfind(",100,"); at != std::string::npos) return line.substr(0, at + 5);
    return {};
}

const bench::Mark kMedianMark{"large", "live station, appended line shown in the list", 100, "ms"};

} // namespace

int main(int argc, char** argv) {
    bench::SetUpEvent(argc, argv);
    int appends = 50;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--appends=", 10) == 0) appends = std::max(1, std::atoi(argv[i] + 10));
    QApplication app(argc, argv);
    InstallFontSubstitutions();

    const std::string folder = bench::ScratchFolder("live");
    bench::CopyEvent(folder);
    {
        std::ofstream ini(folder + "/Quilo.ini", std::ios::binary);
        ini << "AutoRead=1\r\n";
    }
    Station station(folder);
    MainWindow window(station);
    window.Load();
    window.show();
    QListWidget* list = window.lstWindow(1);
    window.Command4()->click(); // result order: a new time moves its line

    // The list is searched when its items changed (and every 100 ms besides, should a
    // fill ever keep its signals to itself): a walk over ten thousand items at every turn
    // of the loop would be measured with the window.
    bool changed = true;
    const QAbstractItemModel* model = list->model();
    QObject::connect(model, &QAbstractItemModel::dataChanged, [&] { changed = true; });
    QObject::connect(model, &QAbstractItemModel::rowsInserted, [&] { changed = true; });
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, [&] { changed = true; });
    QObject::connect(model, &QAbstractItemModel::modelReset, [&] { changed = true; });
    QObject::connect(model, &QAbstractItemModel::layoutChanged, [&] { changed = true; });

    std::vector<double> ms;
    int unseen = 0;
    const std::string log = folder + "/Regnly.log";
    const std::string head = LineBeforeFinishTime(log);
    for (int i = 0; i < appends; ++i) {
        // Finish times no competitor has, each shown once it is read.
        const int seconds = 3 * 3600 + 7 * 60 + i;
        char t[16], shown[16];
        std::snprintf(t, sizeof t, "%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
        std::snprintf(shown, sizeof shown, "%d:%02d'%02d\"", seconds / 3600, seconds / 60 % 60, seconds % 60);
        const QString text = QString::fromUtf8(shown);
        QElapsedTimer clock;
        {
            std::ofstream out(log, std::ios::binary | std::ios::app);
            out << Utf8ToCp932(head + t) << "\r\n";
        }
        clock.start();
        bool seen = false;
        qint64 searched = 0;
        while (clock.elapsed() < 5000) {
            if (changed || clock.elapsed() - searched >= 100) {
                changed = false;
                searched = clock.elapsed();
                if ((seen = ListShows(list, text))) break;
            }
            QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        }
        ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        if (!seen) ++unseen;
        QApplication::processEvents();
    }
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    const double worst = sorted.back();
    std::printf("live station, append to list shown, %d appends on %s: median %.1f ms, worst %.1f ms\n", appends,
                bench::EventFolder().c_str(), median, worst);
    if (bench::MarkSet() == kMedianMark.event) {
        char figure[64];
        std::snprintf(figure, sizeof figure, "median %.1f ms of %d appends", median, appends);
        std::printf("marks of the %s event:\n", kMedianMark.event);
        bench::PrintMark(kMedianMark, figure, median);
    }
    if (unseen > 0) std::printf("live station: %d of %d appended lines not shown within 5 s\n", unseen, appends);
    return unseen > 0 ? 1 : 0;
}
