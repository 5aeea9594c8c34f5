#pragma once
#include "station/SpareLogic.h"

#include <QDialog>

class QWidget;
class QCheckBox;
class QLineEdit;
class QLabel;
class QPushButton;

namespace quilo {
class Station;

// Opens the spare E-card dialog for a spare card (its start-list row), modal over the
// owner: Assigned when OK assigned the card, else Cancelled. Used as the station's
// spare-card prompt.
SpareAnswer OpenSpareDialog(Station& station, int spareRow, QWidget* owner);

// The window of the spare E-card dialog: shows SpareLogic's state and forwards the
// operator's actions.
class SpareDialog : public QDialog {
    Q_OBJECT
public:
    SpareDialog(Station& station, int spareRow, QWidget* parent = nullptr);

    const SpareLogic& Logic() const { return logic_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Refresh();
    void Text1_Change(const QString& text);
    void Command1_Click();

    SpareLogic logic_;
    bool centred_ = false;
    QLabel* label1_;
    QLineEdit* text1_;
    QCheckBox* check1_;
    QLabel* label2_;
    QLabel* label3_;
    QPushButton* command1_;
    QPushButton* command2_;
};

} // namespace quilo
