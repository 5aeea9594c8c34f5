#pragma once
#include "station/EditLogic.h"

#include <QDialog>

class QWidget;
class QCheckBox;
class QLineEdit;
class QLabel;
class QListWidget;
class QRadioButton;
class QPushButton;

namespace quilo {
class Station;

// Opens the competitor edit dialog for a competitor (their number), modal over the owner,
// and returns when it has closed. When the number names no competitor of a class it says
// so and returns.
void OpenEditDialog(Station& station, int competitor, QWidget* owner);

// The window of the edit dialog: shows EditLogic's state and forwards the operator's actions.
class EditDialog : public QDialog {
    Q_OBJECT
public:
    EditDialog(Station& station, int competitor, QWidget* parent = nullptr);

    // False when the number names no competitor of a class (the dialog must not be shown).
    bool Found() const { return found_; }
    const EditLogic& Logic() const { return logic_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Refresh();
    void Command1_Click();

    EditLogic logic_;
    bool found_ = false;
    bool centred_ = false;
    QCheckBox* check1_;
    QCheckBox* check2_;
    QCheckBox* check3_;
    QLineEdit* text1_;
    QLabel* label1_;
    QListWidget* list1_;
    QCheckBox* check4_;
    QRadioButton* option1_;
    QLineEdit* text2_;
    QLabel* label2_;
    QRadioButton* option2_;
    QLineEdit* text3_;
    QPushButton* command2_;
    QPushButton* command1_;
};

} // namespace quilo
