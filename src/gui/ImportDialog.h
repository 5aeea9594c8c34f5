#pragma once
#include "setup/IofSurvey.h"

#include <QDialog>

#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace quilo {

// Opens the import dialog over a folder the survey offered, modal over the owner; true
// when it wrote the event files.
bool OpenImportDialog(const FolderSurvey& survey, QWidget* owner);

// Offers to create Control.dat and Startlst.dat from the folder's IOF XML files: says what
// each file is, asks what an EntryList and a finish without a code leave open, and runs
// the same import as quilo-import. A refusal stays in the dialog; nothing is written.
class ImportDialog : public QDialog {
    Q_OBJECT
public:
    explicit ImportDialog(FolderSurvey survey, QWidget* parent = nullptr);

    // The files' lines as the dialog lists them.
    static QString FileLine(const IofFileSummary& file, bool used);
    bool Created() const { return created_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Command1_Click();
    // The import's options from the survey and the fields; problems with the fields instead.
    ImportOptions Options(std::vector<std::string>& problems) const;

    FolderSurvey survey_;
    bool created_ = false;
    bool centred_ = false;
    QLineEdit* finishCode_;
    QLineEdit* firstStart_;
    QLineEdit* interval_;
    QPlainTextEdit* refusals_;
    QPushButton* command1_;
    QPushButton* command2_;
};

} // namespace quilo
