#include "gui/MainWindow.h"

#include "core/History.h"
#include "core/Time.h"
#include "gui/EditDialog.h"
#include "gui/EntryDialog.h"
#include "gui/Fonts.h"
#include "gui/ImportDialog.h"
#include "gui/LiveStation.h"
#include "gui/SpareDialog.h"
#include "station/Messages.h"
#include "station/Station.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleFactory>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <tuple>

namespace quilo {
namespace {

// The design layout in twips (left, top, width, height).
constexpr MainWindow::TwipRect kClassTitle{240, 180, 2055, 195};
constexpr MainWindow::TwipRect kClassList{360, 480, 4575, 2040};
constexpr MainWindow::TwipRect kHistoryTitle{5160, 180, 2055, 195};
constexpr MainWindow::TwipRect kHistoryList{5280, 480, 4575, 2040};
constexpr MainWindow::TwipRect kCompetitorTitle{240, 2880, 1215, 195};
constexpr MainWindow::TwipRect kStartOrderButton{6720, 2760, 1215, 375};
constexpr MainWindow::TwipRect kResultOrderButton{8160, 2760, 1215, 375};
constexpr MainWindow::TwipRect kCompetitorList{360, 3240, 9495, 3840};
constexpr MainWindow::TwipRect kReadButton{4440, 7260, 1575, 495};
constexpr MainWindow::TwipRect kResultsButton{6240, 7260, 1575, 495};
constexpr MainWindow::TwipRect kNotReturnedButton{8040, 7260, 1575, 495};
constexpr MainWindow::TwipRect kClockLabel{720, 7320, 2175, 375};
// The lists' size follows the outer size less these.
constexpr double kHistoryListWidthLess = 5700;
constexpr double kCompetitorListWidthLess = 780;
constexpr double kCompetitorListHeightLess = 4425;

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

// Client size in pixels that gives at least the outer size in twips.
int PixelsFor(int outerTwips, int frameTwips) {
    return (outerTwips - frameTwips + MainWindow::kTwipsPerPixel - 1) / MainWindow::kTwipsPerPixel;
}

// The first visible history line the keep-visible steps leave: the stepped line's count
// less six once the list passes seven lines. Steps only move it down, so the last
// stepped line decides; lines added without the step leave it where it was.
int HistoryTop(const std::vector<HistoryLine>& lines) {
    for (std::size_t i = lines.size(); i-- > 0;)
        if (lines[i].keepVisible) return i + 1 > 7 ? static_cast<int>(i + 1) - 6 : 0;
    return 0;
}

int RowOfCompetitor(const QListWidget* list, int competitor) {
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->data(Qt::UserRole).toInt() == competitor) return row;
    return -1;
}

} // namespace

MainWindow::MainWindow(Station& station, QWidget* parent) : QWidget(parent), station_(station) {
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("Quilo"));
    setFont(QFont(kPGothic, 9));

    editOpener = [](Station& s, int competitor, QWidget* owner) { OpenEditDialog(s, competitor, owner); };
    spareOpener = [](Station& s, int spareRow, QWidget* owner) { return OpenSpareDialog(s, spareRow, owner); };
    entryOpener = [](Station& s, int competitor, QWidget* owner) { return OpenEntryDialog(s, competitor, owner); };
    importOpener = [](const FolderSurvey& survey, QWidget* owner) { OpenImportDialog(survey, owner); };
    critical = [](QWidget* owner, const QString& title, const QString& text) { QMessageBox::critical(owner, title, text); };

    // The history list is created first: it is first in the focus order.
    static const char* const kTitles[3] = {"クラスステータス", "競技者リスト", "操作履歴"};
    for (int i : {2, 0, 1}) {
        auto* list = new QListWidget(this);
        list->setObjectName(QStringLiteral("lstWindow"));
        list->setProperty("index", i);
        list->setFont(ListFont(9));
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        // The history's lines differ in width: every line must count for the sideways
        // scroll range, not only the first one.
        list->setUniformItemSizes(i != 2);
        list->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
        // Per-item scrolling keeps the scroll bar value equal to the first visible line.
        list->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
        list->setTextElideMode(Qt::ElideNone);
        list->setSortingEnabled(false);
        (i == 0 ? classList_ : i == 1 ? competitorList_ : historyList_) = list;
        connect(list, &QListWidget::itemDoubleClicked, this, [this, i] { lstWindow_DblClick(i); });
        // Enter on a line does what a double click does, so the keyboard alone will do.
        list->installEventFilter(this);

        auto* title = new QLabel(QString::fromUtf8(kTitles[i]), this);
        title->setObjectName(QStringLiteral("lblTitle"));
        title->setProperty("index", i);
        title->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        (i == 0 ? classTitle_ : i == 1 ? competitorTitle_ : historyTitle_) = title;
    }

    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    command3_ = button("Command3", "スタート順");
    command4_ = button("Command4", "成績順");
    command1_ = button("Command1", "データ読み込み");
    command2_ = button("Command2", "成績出力");
    command5_ = button("Command5", "未帰還者出力");
    // The sort buttons show their state by colour; a style that honours the button
    // palette makes that visible whatever style the desktop uses.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        fusion->setParent(this);
        command3_->setStyle(fusion);
        command4_->setStyle(fusion);
    }
    connect(command1_, &QPushButton::clicked, this, &MainWindow::Command1_Click);
    connect(command2_, &QPushButton::clicked, this, &MainWindow::Command2_Click);
    connect(command3_, &QPushButton::clicked, this, &MainWindow::Command3_Click);
    connect(command4_, &QPushButton::clicked, this, &MainWindow::Command4_Click);
    connect(command5_, &QPushButton::clicked, this, &MainWindow::Command5_Click);

    lblTime_ = new QLabel(this);
    lblTime_->setObjectName(QStringLiteral("lblTime"));
    lblTime_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont clock(kTimes);
    clock.setPointSizeF(18);
    lblTime_->setFont(clock);

    clockTimer_ = new QTimer(this);
    clockTimer_->setObjectName(QStringLiteral("ClockTimer"));
    clockTimer_->setInterval(100);
    connect(clockTimer_, &QTimer::timeout, this, &MainWindow::ClockTimer_Timer);
    statusTimer_ = new QTimer(this);
    statusTimer_->setObjectName(QStringLiteral("StatusTimer"));
    statusTimer_->setInterval(30000);
    connect(statusTimer_, &QTimer::timeout, this, &MainWindow::StatusTimer_Timer);

    setTabOrder(historyList_, classList_);
    setTabOrder(classList_, competitorList_);
    setTabOrder(competitorList_, command1_);
    setTabOrder(command1_, command2_);
    setTabOrder(command2_, command3_);
    setTabOrder(command3_, command4_);
    setTabOrder(command4_, command5_);

    // Design positions; Form_Resize moves the ones that follow the window's size.
    Place(classTitle_, kClassTitle);
    Place(classList_, kClassList);
    Place(historyTitle_, kHistoryTitle);
    Place(historyList_, kHistoryList);
    Place(competitorTitle_, kCompetitorTitle);
    Place(command3_, kStartOrderButton);
    Place(command4_, kResultOrderButton);
    Place(competitorList_, kCompetitorList);
    Place(command1_, kReadButton);
    Place(command2_, kResultsButton);
    Place(command5_, kNotReturnedButton);
    Place(lblTime_, kClockLabel);

    SetSortColours(false);

    // The entry desk: window-wide shortcuts, and the competitor list's context menu.
    auto action = [this](const char* name, const char* text, const QKeySequence& key) {
        auto* a = new QAction(QString::fromUtf8(text), this);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
        a->setShortcutVisibleInContextMenu(true);
        addAction(a);
        return a;
    };
    newEntry_ = action("actNewEntry", "当日申込…", QKeySequence(Qt::CTRL | Qt::Key_N));
    editEntry_ = action("actEditEntry", "出走者情報の修正…", QKeySequence(Qt::Key_F2));
    editEntry_->setEnabled(false);
    connect(newEntry_, &QAction::triggered, this, &MainWindow::NewEntry_Click);
    connect(editEntry_, &QAction::triggered, this, &MainWindow::EditEntry_Click);
    connect(competitorList_, &QListWidget::itemSelectionChanged, this,
            [this] { editEntry_->setEnabled(SelectedCompetitor() >= 0); });
    competitorList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(competitorList_, &QWidget::customContextMenuRequested, this, &MainWindow::CompetitorMenu_Popup);

    setMinimumSize(PixelsFor(kMinOuterWidth, kFrameWidth), PixelsFor(kMinOuterHeight, kFrameHeight));
    resize(kOpeningClientWidth / kTwipsPerPixel, kOpeningClientHeight / kTwipsPerPixel);
    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    Form_Resize();

    station_.OperationHistory().SetObserver([this] { ShowHistory(); });
    ShowHistory();
    live_ = new LiveStation(station_, this);
    live_->dialogOpen = [] { return QApplication::activeModalWidget() || QApplication::activePopupWidget(); };
    live_->doubleClickMs = QApplication::doubleClickInterval();
    live_->onRefreshed = [this] { ShowLists(); };
    station_.onBusy = [this](bool busy) {
        // The window's own pointer: a dialog opened meanwhile keeps the normal one.
        if (busy) setCursor(Qt::WaitCursor);
        else unsetCursor();
    };
    station_.SetSparePrompt(
        [this](int spareRow) { return spareOpener ? spareOpener(station_, spareRow, this) : SpareAnswer::Cancelled; });
}

MainWindow::~MainWindow() {
    live_->onRefreshed = nullptr;
    station_.OperationHistory().SetObserver(nullptr);
    station_.onBusy = nullptr;
    station_.SetSparePrompt(nullptr);
}

void MainWindow::Load() {
    // Timers run from the start: a spare-card dialog during start-up sees them tick.
    clockTimer_->start();
    statusTimer_->start();
    // The live station's reads then take only what the card reader appended.
    station_.FollowLog(true);
    // Before the start-up, which would read an empty event.
    if (importOpener) {
        const FolderSurvey survey = SurveyFolder(station_.Folder());
        if (survey.Offer()) importOpener(survey, this);
    }
    station_.Startup();
    ApplyFontSizes();
    ApplyHistoryTop(); // the line height may have changed with the font
    live_->Start();
    if (live_->Reading())
        for (QListWidget* list : {classList_, competitorList_, historyList_}) list->viewport()->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        for (int i : {1, 2}) {
            if (watched != lstWindow(i) || (key != Qt::Key_Return && key != Qt::Key_Enter)) continue;
            lstWindow_DblClick(i);
            return true;
        }
        return QWidget::eventFilter(watched, event);
    }
    // Presses are watched on the lists' viewports (the live station).
    if (qobject_cast<QListWidget*>(watched)) return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) live_->ListPressed();
    else if (event->type() == QEvent::MouseButtonRelease) live_->ListReleased();
    return QWidget::eventFilter(watched, event);
}

void MainWindow::ApplyFontSizes() {
    classList_->setFont(ListFont(station_.FontSize("ClassListFontSize")));
    competitorList_->setFont(ListFont(station_.FontSize("EntryListFontSize")));
    historyList_->setFont(ListFont(station_.FontSize("HistoryListFontSize")));
}

QColor MainWindow::SelectedColour() {
    return QColor(kSelectedColour & 0xFF, (kSelectedColour >> 8) & 0xFF, (kSelectedColour >> 16) & 0xFF);
}

QColor MainWindow::ButtonFaceColour() { return QApplication::palette().color(QPalette::Button); }

void MainWindow::SetSortColours(bool byResult) {
    auto paint = [](QPushButton* b, const QColor& c) {
        QPalette p = b->palette();
        p.setColor(QPalette::Button, c);
        b->setPalette(p);
        // A style sheet fills the face with exactly this colour; styles shade the palette
        // colour into a gradient that hides the selected order.
        b->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; border: 1px solid #808080; }"
                                        "QPushButton:pressed { border: 2px solid #404040; }")
                             .arg(c.name()));
    };
    paint(command3_, byResult ? ButtonFaceColour() : SelectedColour());
    paint(command4_, byResult ? SelectedColour() : ButtonFaceColour());
}

QListWidget* MainWindow::lstWindow(int index) const {
    return index == 0 ? classList_ : index == 1 ? competitorList_ : index == 2 ? historyList_ : nullptr;
}

QLabel* MainWindow::lblTitle(int index) const {
    return index == 0 ? classTitle_ : index == 1 ? competitorTitle_ : index == 2 ? historyTitle_ : nullptr;
}

void MainWindow::Place(QWidget* w, TwipRect r) {
    auto px = [](double twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); };
    w->setGeometry(px(r.left), px(r.top), std::max(0, px(r.width)), std::max(0, px(r.height)));
}

int MainWindow::OuterWidthTwips() const { return width() * kTwipsPerPixel + kFrameWidth; }
int MainWindow::OuterHeightTwips() const { return height() * kTwipsPerPixel + kFrameHeight; }

void MainWindow::Form_Resize() {
    if (isMinimized()) return;
    // The outer size counts the design border, not the window manager's, so the
    // controls sit the same in the client area on every desktop.
    int cw = width();
    int ch = height();
    bool snap = false;
    if (cw * kTwipsPerPixel + kFrameWidth < kMinOuterWidth) {
        cw = PixelsFor(kMinOuterWidth, kFrameWidth);
        snap = true;
    }
    if (ch * kTwipsPerPixel + kFrameHeight < kMinOuterHeight) {
        ch = PixelsFor(kMinOuterHeight, kFrameHeight);
        snap = true;
    }
    if (snap) resize(cw, ch);
    const float W = static_cast<float>(cw * kTwipsPerPixel + kFrameWidth);
    const float H = static_cast<float>(ch * kTwipsPerPixel + kFrameHeight);

    // Lists end a fixed distance from the right and bottom edges; buttons and the clock
    // move by the growth over the design size.
    const double dw = W - kDesignOuterWidth;
    const double dh = H - kDesignOuterHeight;
    auto moved = [](TwipRect r, double right, double down) {
        return TwipRect{r.left + right, r.top + down, r.width, r.height};
    };
    Place(historyList_, {kHistoryList.left, kHistoryList.top, W - kHistoryListWidthLess, kHistoryList.height});
    Place(competitorList_,
          {kCompetitorList.left, kCompetitorList.top, W - kCompetitorListWidthLess, H - kCompetitorListHeightLess});
    Place(command3_, moved(kStartOrderButton, dw, 0));
    Place(command4_, moved(kResultOrderButton, dw, 0));
    Place(command1_, moved(kReadButton, dw, dh));
    Place(command2_, moved(kResultsButton, dw, dh));
    Place(command5_, moved(kNotReturnedButton, dw, dh));
    Place(lblTime_, moved(kClockLabel, 0, dh));
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    historyList_->setFocus();
    // The history's lines arrived before the list had its real size.
    QTimer::singleShot(0, this, [this] { ApplyHistoryTop(); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void MainWindow::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    live_->Stop();
    clockTimer_->stop();
    statusTimer_->stop();
    const Result<> r = station_.ReleaseSettings();
    if (!r && critical) critical(this, QStringLiteral("Quilo"), Q(FailureText(kSettingsNotWritten, r.Failure())));
}

void MainWindow::Fill(QListWidget* list, std::vector<ListLine>& shown, const std::vector<ListLine>& lines) {
    const int want = static_cast<int>(lines.size());
    // Items change in place: a refresh of ten thousand lines costs the lines that
    // changed, not ten thousand new items. Many lines more or fewer: filled anew.
    constexpr int kFewRows = 256;
    if (list->count() != static_cast<int>(shown.size()) || std::abs(list->count() - want) > kFewRows) {
        list->clear();
        shown.clear();
    }
    while (list->count() > want) {
        delete list->takeItem(list->count() - 1);
        shown.pop_back();
    }
    for (int row = 0; row < list->count(); ++row) {
        const ListLine& line = lines[static_cast<std::size_t>(row)];
        ListLine& was = shown[static_cast<std::size_t>(row)];
        if (line.text == was.text && line.competitor == was.competitor) continue;
        QListWidgetItem* item = list->item(row);
        if (line.text != was.text) item->setText(Q(line.text));
        if (line.competitor != was.competitor) item->setData(Qt::UserRole, line.competitor);
        was = line;
    }
    for (int row = list->count(); row < want; ++row) {
        const ListLine& line = lines[static_cast<std::size_t>(row)];
        auto* item = new QListWidgetItem(Q(line.text));
        item->setData(Qt::UserRole, line.competitor);
        list->addItem(item);
        shown.push_back(line);
    }
    // As a list filled anew: nothing selected, no current line.
    list->selectionModel()->clear();
}

void MainWindow::ShowLists() {
    const StatusLists& lists = station_.Lists();
    QListWidget* entries = competitorList_;
    // A read the station made by itself keeps the operator's selection on its competitor.
    int selected = -1;
    if (live_->AutoReading() && entries->currentItem() && entries->currentItem()->isSelected())
        selected = entries->currentItem()->data(Qt::UserRole).toInt();
    classList_->setUpdatesEnabled(false);
    entries->setUpdatesEnabled(false);
    // Both lists keep their scroll position (the class table scrolls past ten classes);
    // a list now too short stays at the top.
    for (auto [list, shown, lines] : {std::tuple{classList_, &shownLines_[0], &lists.classStatus},
                                      std::tuple{entries, &shownLines_[1], &lists.competitors}}) {
        const int top = list->verticalScrollBar()->value();
        Fill(list, *shown, *lines);
        if (top > 0 && top < list->count()) list->scrollToItem(list->item(top), QAbstractItemView::PositionAtTop);
        else list->verticalScrollBar()->setValue(0);
    }
    if (const int row = selected >= 0 ? RowOfCompetitor(entries, selected) : -1; row >= 0)
        entries->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    classList_->setUpdatesEnabled(true);
    entries->setUpdatesEnabled(true);
}

void MainWindow::ShowHistory() {
    const History& history = station_.OperationHistory();
    const auto& lines = history.Lines();
    for (int i = historyList_->count(); i < static_cast<int>(lines.size()); ++i) {
        auto* item = new QListWidgetItem(Q(lines[i].text));
        item->setData(Qt::UserRole, lines[i].competitor);
        historyList_->addItem(item);
    }
    // The history moves its first visible line only with a keep-visible step.
    if (const int top = HistoryTop(lines); top != historyTop_) {
        historyTop_ = top;
        ApplyHistoryTop();
    }
}

void MainWindow::ApplyHistoryTop() {
    QListWidget* list = historyList_;
    if (historyTop_ > 0 && historyTop_ < list->count())
        list->scrollToItem(list->item(historyTop_), QAbstractItemView::PositionAtTop);
}

void MainWindow::ClockTimer_Timer() { lblTime_->setText(Q(FormatHhNnSs(station_.Now()))); }

void MainWindow::StatusTimer_Timer() { station_.RefreshStatus(); }

void MainWindow::Command1_Click() { station_.ReadFinishLog(); }

void MainWindow::ReportWriteFailure(const char* heading, const Error& error) {
    if (critical) critical(this, QStringLiteral("Quilo"), Q(FailureText(heading, error)));
}

void MainWindow::ReportWritten(const char* failureHeading, const Result<std::string>& written) {
    if (!written) return ReportWriteFailure(failureHeading, written.Failure());
    // A press that worked says so, as the live publisher does.
    station_.OperationHistory().Report(" (出力)" + written->substr(written->find_last_of('/') + 1));
}

void MainWindow::Command2_Click() {
    Station::ResultOutputs out = station_.WriteResultOutputs();
    ReportWritten(kResultsNotWritten, out.results);
    ReportWritten(kXmlNotWritten, out.xml);
    ReportWritten(kHtmlNotWritten, out.html);
    ReportWritten(kStartXmlNotWritten, out.startXml);
}

void MainWindow::Command5_Click() { ReportWritten(kNotReturnedNotWritten, station_.WriteNotReturned()); }

void MainWindow::Command3_Click() {
    SetSortColours(false);
    station_.SetSortByResult(false);
}

void MainWindow::Command4_Click() {
    SetSortColours(true);
    station_.SetSortByResult(true);
}

void MainWindow::lstWindow_DblClick(int index) {
    if (index != 1 && index != 2) return;
    QListWidget* list = lstWindow(index);
    const QList<QListWidgetItem*> selected = list->selectedItems();
    if (selected.isEmpty()) return;
    const int row = list->row(selected.first());
    const int competitor = selected.first()->data(Qt::UserRole).toInt();
    if (competitor < 0) return;
    if (editOpener) editOpener(station_, competitor, this);
    // The double click's release went to the dialog: the press must not hold the live
    // station's reading any longer, and what came meanwhile is read now.
    live_->DialogClosed();
    station_.RefreshStatus();
    // The same position again, whoever stands there now.
    if (index == 1 && row < list->count()) list->setCurrentRow(row);
}

int MainWindow::SelectedCompetitor() const {
    const QList<QListWidgetItem*> selected = competitorList_->selectedItems();
    return selected.isEmpty() ? -1 : selected.first()->data(Qt::UserRole).toInt();
}

void MainWindow::SelectCompetitor(int competitor) {
    if (competitor < 0) return;
    const int row = RowOfCompetitor(competitorList_, competitor);
    if (row < 0) return;
    competitorList_->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    competitorList_->scrollToItem(competitorList_->item(row));
}

void MainWindow::FillCompetitorMenu(QMenu& menu) {
    const int competitor = SelectedCompetitor();
    menu.addAction(newEntry_);
    editEntry_->setEnabled(competitor >= 0);
    menu.addAction(editEntry_);
    if (competitor < 0 || !SpareRowHeldBy(station_, competitor)) return;
    menu.addSeparator();
    QAction* spare = menu.addAction(QStringLiteral("予備Ｅカードの再割当…"));
    spare->setObjectName(QStringLiteral("actSpareCard"));
    connect(spare, &QAction::triggered, this, [this, competitor] { ReassignSpare(competitor); });
}

void MainWindow::CompetitorMenu_Popup(const QPoint& pos) {
    // A right click has selected its line already; the menu key acts on the selected one.
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("mnuCompetitor"));
    FillCompetitorMenu(menu);
    menu.exec(competitorList_->viewport()->mapToGlobal(pos));
    // The right button's release went to the menu: the press holds the reading no longer.
    live_->DialogClosed();
}

void MainWindow::NewEntry_Click() { OpenEntry(-1); }

void MainWindow::EditEntry_Click() {
    if (const int competitor = SelectedCompetitor(); competitor >= 0) OpenEntry(competitor);
}

void MainWindow::OpenEntry(int competitor) {
    if (!entryOpener) return;
    const int selected = SelectedCompetitor();
    const std::optional<EntryForm> written = entryOpener(station_, competitor, this);
    live_->DialogClosed();
    // The desk loaded the event again, which showed the lists anew without a selection:
    // the competitor written is selected (a new entry found by its card), else the one
    // that was.
    int select = selected;
    if (written) {
        select = competitor;
        if (competitor < 0 && !written->card.empty())
            if (const std::optional<int> n = station_.Tables().Cards.Find(written->card)) select = *n;
    }
    SelectCompetitor(select);
}

void MainWindow::ReassignSpare(int competitor) {
    const std::optional<int> spareRow = SpareRowHeldBy(station_, competitor);
    if (!spareRow || !spareOpener) return;
    // The assignment's record is written already; the event is loaded again so the card
    // leaves the competitor who held it.
    if (spareOpener(station_, *spareRow, this) == SpareAnswer::Assigned) station_.Reload();
    live_->DialogClosed();
    SelectCompetitor(competitor);
}

} // namespace quilo
