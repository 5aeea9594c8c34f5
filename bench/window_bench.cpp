// The window's refresh on a benchmark event, on the offscreen platform. BM_MainWindowRefresh runs
// the real window's 30-second refresh (status refresh, then its lists filled), optionally
// painted. BM_ListFill fills plain list widgets from the same lines, to compare the ways
// of filling them (new items or items reused, uniform item sizes or not).
#include "BenchEvent.h"
#include "Marks.h"

#include "station/Station.h"
#ifdef QUILO_BENCH_MAINWINDOW
#include "gui/Fonts.h"
#include "gui/MainWindow.h"
#endif

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFont>
#include <QListWidget>
#include <QWidget>

#include <memory>

using namespace quilo;

namespace {

enum class Fill { NewItems, ReuseItems };

struct Window {
    QWidget top;
    QListWidget* lists[3];

    explicit Window(bool uniform) {
        // Design sizes in pixels (twips / 15): status, competitors, history.
        const int geo[3][4] = {{24, 32, 305, 136}, {24, 216, 633, 256}, {352, 32, 305, 136}};
        top.resize(677, 526);
        for (int i = 0; i < 3; ++i) {
            lists[i] = new QListWidget(&top);
            lists[i]->setGeometry(geo[i][0], geo[i][1], geo[i][2], geo[i][3]);
            lists[i]->setFont(QFont(QStringLiteral("ＭＳ ゴシック"), 9));
            lists[i]->setUniformItemSizes(uniform);
        }
        top.show();
        QApplication::processEvents();
    }
};

void FillList(QListWidget* w, const std::vector<ListLine>& lines, Fill how) {
    if (how == Fill::NewItems) {
        w->clear();
        for (const ListLine& l : lines) {
            auto* item = new QListWidgetItem(QString::fromStdString(l.text));
            item->setData(Qt::UserRole, l.itemData);
            w->addItem(item);
        }
        return;
    }
    // Overwrite the items in place, adding or removing only the difference.
    const int n = static_cast<int>(lines.size());
    while (w->count() > n) delete w->takeItem(w->count() - 1);
    for (int i = 0; i < n; ++i) {
        QListWidgetItem* item = w->item(i);
        if (!item) {
            item = new QListWidgetItem;
            w->addItem(item);
        }
        item->setText(QString::fromStdString(lines[static_cast<std::size_t>(i)].text));
        item->setData(Qt::UserRole, lines[static_cast<std::size_t>(i)].itemData);
    }
}

std::vector<ListLine> HistoryLines(const History& h) {
    std::vector<ListLine> out;
    for (const auto& l : h.Lines()) out.push_back({l.text, l.itemData});
    return out;
}

void Show(Window& win, Station& st, Fill how) {
    QListWidget* competitors = win.lists[1];
    const int topRow = competitors->indexAt(QPoint(0, 0)).row();
    FillList(win.lists[0], st.Lists().classStatus, how);
    FillList(competitors, st.Lists().competitors, how);
    FillList(win.lists[2], HistoryLines(st.OperationHistory()), how);
    if (topRow >= 0 && topRow < competitors->count())
        competitors->scrollToItem(competitors->item(topRow), QAbstractItemView::PositionAtTop);
}

Station& SharedStation() {
    static std::unique_ptr<Station> st = [] {
        const std::string folder = quilo::bench::ScratchFolder("window");
        quilo::bench::CopyEvent(folder);
        auto s = std::make_unique<Station>(folder, [] { return Time::Hms(12, 0, 0); });
        s->Startup();
        return s;
    }();
    return *st;
}

#ifdef QUILO_BENCH_MAINWINDOW
// The window over a copy of the event, loaded and shown, its competitor list scrolled
// half-way. Nobody answers dialogs here.
struct LoadedWindow {
    Station station;
    MainWindow window;

    explicit LoadedWindow(const std::string& folder) : station(folder, [] { return Time::Hms(12, 0, 0); }), window(station) {
        window.spareOpener = nullptr;
        window.critical = [](QWidget*, const QString&, const QString&) {};
        window.Load();
        window.show();
        QApplication::processEvents();
    }
};

// Args: order (0 start, 1 result), paint (1 = repaint the window synchronously).
void BM_MainWindowRefresh(benchmark::State& state) {
    const std::string folder = quilo::bench::ScratchFolder("mainwindow");
    quilo::bench::CopyEvent(folder);
    LoadedWindow w(folder);
    if (state.range(0) != 0) w.window.Command4_Click();
    else w.window.Command3_Click();
    QListWidget* list = w.window.lstWindow(1);
    list->scrollToItem(list->item(list->count() / 2), QAbstractItemView::PositionAtTop);
    const bool paint = state.range(1) != 0;
    for (auto _ : state) {
        w.window.StatusTimer_Timer();
        if (paint) w.window.repaint();
        QApplication::processEvents();
    }
    state.counters["lines"] = list->count();
}
BENCHMARK(BM_MainWindowRefresh)
    ->ArgNames({"byResult", "paint"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The data-load button: the whole finish log read again, then the refresh.
void BM_MainWindowReadData(benchmark::State& state) {
    const std::string folder = quilo::bench::ScratchFolder("mainwindow-read");
    quilo::bench::CopyEvent(folder);
    LoadedWindow w(folder);
    for (auto _ : state) {
        w.window.Command1_Click();
        w.window.repaint();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_MainWindowReadData)->Unit(benchmark::kMillisecond)->UseRealTime();
#endif

// Args: order (0 start, 1 result), paint (1 = repaint the window synchronously),
// uniform item sizes, reuse items.
void BM_ListFill(benchmark::State& state) {
    Station& st = SharedStation();
    const bool paint = state.range(1) != 0;
    const Fill how = state.range(3) != 0 ? Fill::ReuseItems : Fill::NewItems;
    Window win(state.range(2) != 0);
    st.SetSortByResult(state.range(0) != 0);
    Show(win, st, how);
    win.lists[1]->scrollToItem(win.lists[1]->item(win.lists[1]->count() / 2), QAbstractItemView::PositionAtTop);
    for (auto _ : state) {
        st.RefreshStatus();
        Show(win, st, how);
        if (paint) win.top.repaint();
        QApplication::processEvents();
    }
    state.counters["lines"] = win.lists[1]->count();
}
BENCHMARK(BM_ListFill)
    ->ArgNames({"byResult", "paint", "uniform", "reuse"})
    ->Args({0, 0, 0, 0})
    ->Args({1, 0, 0, 0})
    ->Args({0, 1, 0, 0})
    ->Args({1, 1, 0, 0})
    ->Args({1, 1, 1, 0})
    ->Args({1, 1, 0, 1})
    ->Args({1, 1, 1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    quilo::bench::SetUpEvent(argc, argv);
    QApplication app(argc, argv);
#ifdef QUILO_BENCH_MAINWINDOW
    quilo::InstallFontSubstitutions();
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // The refresh as the operator sees it: the lists filled and the window painted (not
    // run without the real window).
    quilo::bench::RunWithMarks({
        {{"large", "window refresh painted, start order", 50, "ms"}, "BM_MainWindowRefresh/byResult:0/paint:1"},
        {{"large", "window refresh painted, result order", 50, "ms"}, "BM_MainWindowRefresh/byResult:1/paint:1"},
    });
    benchmark::Shutdown();
    return 0;
}
