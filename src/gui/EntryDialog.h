#pragma once
#include "station/EntryDesk.h"

#include <QDialog>

#include <optional>

class QWidget;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace quilo {
class Station;

// Opens the entry dialog, modal over the owner: a new entry (competitor -1) or the fix of
// a competitor's start-list row. Returns the form OK wrote, none when closed without a
// write. When the desk cannot open it says why and returns.
std::optional<EntryForm> OpenEntryDialog(Station& station, int competitor, QWidget* owner);

// The window of the entry desk: shows the form and forwards OK to EntryDesk.
class EntryDialog : public QDialog {
    Q_OBJECT
public:
    EntryDialog(Station& station, int competitor, QWidget* parent = nullptr);

    const EntryDesk& Desk() const { return desk_; }
    // The form as the controls hold it.
    EntryForm Form() const;
    // True once OK wrote (or found nothing to write) and closed the dialog.
    bool Written() const { return written_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Ok_Click();

    EntryDesk desk_;
    bool written_ = false;
    bool centred_ = false;
    QComboBox* class_;
    QLineEdit* name_;
    QLineEdit* club_;
    QLineEdit* card_;
    QLineEdit* bib_;
    QLineEdit* start_;
    QLineEdit* number_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

} // namespace quilo
