#pragma once
// The main window: shows what the station holds and forwards the operator's actions
// to it. It never builds list text itself.
#include "core/Files.h"
#include "core/History.h"
#include "finish/FinishLog.h"
#include "setup/IofSurvey.h"
#include "station/EntryDesk.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QTimer;

namespace quilo {

class LiveStation;
class Station;

class MainWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int kTwipsPerPixel = 15;
    static constexpr int kMinOuterWidth = 8000; // twips
    static constexpr int kMinOuterHeight = 6000;
    // The border the layout rules assume around the client area (8 x 25 pixels).
    static constexpr int kFrameWidth = 120;
    static constexpr int kFrameHeight = 375;
    // The client area the window opens with.
    static constexpr int kOpeningClientWidth = 10155;
    static constexpr int kOpeningClientHeight = 7890;
    // The outer size the resize rules measure from: controls that follow the window keep
    // their distance to its right or bottom edge as it was at this size.
    static constexpr int kDesignOuterWidth = 10155;
    static constexpr int kDesignOuterHeight = 8265;
    static constexpr unsigned kSelectedColour = 0xC0FFC0; // BGR, light green

    // A control's place in twips.
    struct TwipRect {
        double left, top, width, height;
    };

    // Opens a dialog, modal over the owner, for a competitor (the edit dialog) or a spare
    // card's start-list row (the spare dialog, which answers); returns once it has closed.
    using DialogOpener = std::function<void(Station&, int competitor, QWidget* owner)>;
    using SpareOpener = std::function<SpareAnswer(Station&, int spareRow, QWidget* owner)>;
    // The entry desk for a new entry (competitor -1) or a competitor's row: the form it
    // wrote, none when it closed without a write.
    using EntryOpener = std::function<std::optional<EntryForm>(Station&, int competitor, QWidget* owner)>;
    using MessageHook = std::function<void(QWidget* parent, const QString& title, const QString& text)>;
    // Offers to create the event files from the IOF XML files the survey found; returns
    // once it has closed (the start-up then reads whatever is there).
    using ImportOpener = std::function<void(const FolderSurvey&, QWidget* owner)>;

    explicit MainWindow(Station& station, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Form_Load: the start-up sequence, run before the window is shown.
    void Load();

    // Seams, replaceable before Load (tests record instead of opening modals).
    DialogOpener editOpener;
    SpareOpener spareOpener;
    EntryOpener entryOpener;
    ImportOpener importOpener;
    MessageHook critical;

    // The three lists by their index as control array: 0 class status, 1 competitors,
    // 2 history.
    QListWidget* lstWindow(int index) const;
    QLabel* lblTitle(int index) const;
    QLabel* lblTime() const { return lblTime_; }
    QTimer* ClockTimer() const { return clockTimer_; }
    QTimer* StatusTimer() const { return statusTimer_; }
    LiveStation& Live() const { return *live_; }
    QPushButton* Command1() const { return command1_; }
    QPushButton* Command2() const { return command2_; }
    QPushButton* Command3() const { return command3_; }
    QPushButton* Command4() const { return command4_; }
    QPushButton* Command5() const { return command5_; }
    // The entry desk's commands (Ctrl+N, F2), also on the competitor list's context menu.
    QAction* NewEntryAction() const { return newEntry_; }
    QAction* EditEntryAction() const { return editEntry_; }
    // The competitor list's context menu for its selected line, as it pops up.
    void FillCompetitorMenu(QMenu& menu);

    // The first visible history line the keep-visible steps asked for.
    int HistoryTopIndex() const { return historyTop_; }
    // The outer size in twips as the layout rules see it.
    int OuterWidthTwips() const;
    int OuterHeightTwips() const;

    static QColor SelectedColour();
    static QColor ButtonFaceColour();

public slots:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void ClockTimer_Timer();
    void StatusTimer_Timer();
    void lstWindow_DblClick(int index);
    void NewEntry_Click();
    void EditEntry_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Resize();
    void Form_Unload();
    void ShowLists();
    // The competitor of the competitor list's selected line (-1: none or a heading).
    int SelectedCompetitor() const;
    void SelectCompetitor(int competitor);
    void CompetitorMenu_Popup(const QPoint& pos);
    void OpenEntry(int competitor);
    void ReassignSpare(int competitor);
    void ShowHistory();
    void ApplyHistoryTop();
    void ApplyFontSizes();
    void SetSortColours(bool byResult);
    void ReportWriteFailure(const char* heading, const Error& error);
    // A failure's message box, or the history line of a file written.
    void ReportWritten(const char* failureHeading, const Result<std::string>& written);
    void Place(QWidget* w, TwipRect r);
    // Shows the lines in the list; `shown` holds the lines its items show.
    static void Fill(QListWidget* list, std::vector<ListLine>& shown, const std::vector<ListLine>& lines);

    Station& station_;
    QListWidget* classList_ = nullptr;
    QListWidget* competitorList_ = nullptr;
    QListWidget* historyList_ = nullptr;
    QLabel* classTitle_ = nullptr;
    QLabel* competitorTitle_ = nullptr;
    QLabel* historyTitle_ = nullptr;
    QLabel* lblTime_ = nullptr;
    QTimer* clockTimer_ = nullptr;
    QTimer* statusTimer_ = nullptr;
    QPushButton* command1_ = nullptr;
    QPushButton* command2_ = nullptr;
    QPushButton* command3_ = nullptr;
    QPushButton* command4_ = nullptr;
    QPushButton* command5_ = nullptr;
    QAction* newEntry_ = nullptr;
    QAction* editEntry_ = nullptr;

    LiveStation* live_ = nullptr;
    std::array<std::vector<ListLine>, 2> shownLines_; // the class table's and the competitor list's
    int historyTop_ = 0;                              // the history's first visible line, as last applied
    bool unloaded_ = false;
};

} // namespace quilo
