#include "gui/SpareDialog.h"

#include "core/TextWidth.h"
#include "gui/DialogSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace quilo {

SpareDialog::SpareDialog(Station& station, int spareRow, QWidget* parent) : QDialog(parent), logic_(station, spareRow) {
    SetFixedDialogStyle(this, 2910, 2925);
    setWindowTitle(QString::fromUtf8(SpareLogic::kCaption));

    label1_ = MakeControl<QLabel>(this, "Label1", 240, 180, 2535, 195, QStringLiteral("ゼッケン番号を入力して下さい"));
    text1_ = MakeControl<QLineEdit>(this, "Text1", 1680, 480, 975, 375);
    QFont bold(QStringLiteral("ＭＳ Ｐゴシック"));
    bold.setPointSizeF(14.25);
    bold.setBold(true);
    text1_->setFont(bold);
    check1_ = MakeControl<QCheckBox>(this, "Check1", 240, 600, 1095, 255, QStringLiteral("参考成績"));
    label2_ = MakeControl<QLabel>(this, "Label2", 240, 1140, 2415, 195);
    label3_ = MakeControl<QLabel>(this, "Label3", 240, 1500, 2415, 555);
    label3_->setWordWrap(true);
    label3_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    command1_ = MakeControl<QPushButton>(this, "Command1", 240, 2340, 1095, 435, QStringLiteral("OK"));
    command2_ = MakeControl<QPushButton>(this, "Command2", 1560, 2340, 1095, 435, QStringLiteral("Cancel"));

    command1_->setDefault(true);
    connect(command1_, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(command2_, &QPushButton::clicked, this, &QDialog::reject);

    setTabOrder(text1_, command1_);
    setTabOrder(command1_, command2_);
    setTabOrder(command2_, check1_);

    logic_.Load();
    Refresh();

    connect(text1_, &QLineEdit::textChanged, this, [this](const QString& t) { Text1_Change(t); });
    connect(check1_, &QCheckBox::toggled, this, [this](bool on) { logic_.SetReference(on); });
    text1_->setFocus();
}

void SpareDialog::Refresh() {
    QSignalBlocker b1(text1_), b2(check1_);
    QString text = QString::fromStdString(logic_.BibText());
    if (text1_->text() != text) text1_->setText(text);
    check1_->setChecked(logic_.Reference());
    label2_->setText(QString::fromStdString(logic_.SpareCardLabel()));
    // The label breaks lines at LF; the CR of the pair is not shown.
    label3_->setText(QString::fromStdString(logic_.CompetitorLabel()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void SpareDialog::Text1_Change(const QString& text) {
    std::string t = text.toStdString();
    bool search = CharCount(t) == 4;
    if (search) QApplication::setOverrideCursor(Qt::WaitCursor);
    logic_.SetBibText(t);
    if (search) QApplication::restoreOverrideCursor();
    Refresh();
}

void SpareDialog::Command1_Click() {
    DialogOutcome r = logic_.Ok();
    if (r.confirm) {
        // "No" leaves the dialog open for another bib.
        if (!AskDialogQuestion(this, r.message)) return;
        r = logic_.Ok(true);
    }
    if (r.refused) {
        ShowDialogMessage(this, r.message, MessageIcon::Critical);
        return;
    }
    ShowSaveFailures(this, r.saveFailures);
    accept();
}

void SpareDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(this);
        text1_->setFocus();
    }
}

SpareAnswer OpenSpareDialog(Station& station, int spareRow, QWidget* owner) {
    SpareDialog dialog(station, spareRow, owner);
    dialog.exec();
    return dialog.Logic().Answer();
}

} // namespace quilo
