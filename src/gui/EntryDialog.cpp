#include "gui/EntryDialog.h"

#include "gui/DialogSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <utility>

namespace quilo {
namespace {

// The rows of the form in twips: labels on the left, boxes on the right.
constexpr int kLabelLeft = 240;
constexpr int kLabelWidth = 1335;
constexpr int kBoxLeft = 1680;
constexpr int kBoxWidth = 2295;
constexpr int kBoxHeight = 315;
constexpr int kFirstTop = 240;
constexpr int kRowStep = 420;

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

} // namespace

EntryDialog::EntryDialog(Station& station, int competitor, QWidget* parent) : QDialog(parent), desk_(station, competitor) {
    SetFixedDialogStyle(this, 4230, 4050);
    setWindowTitle(QString::fromUtf8(desk_.Title()));

    // The labels and boxes, a row each, in the order of the form's fields on screen.
    const char* const labels[][2] = {{"lblClass", "クラス"},      {"lblName", "氏名"},        {"lblClub", "所属"},
                                     {"lblCard", "Ｅカード番号"}, {"lblBib", "ゼッケン番号"}, {"lblStart", "スタート時刻"},
                                     {"lblNumber", "番号"}};
    auto top = [](int row) { return kFirstTop + row * kRowStep; };
    for (int row = 0; row < 7; ++row)
        MakeControl<QLabel>(this, labels[row][0], kLabelLeft, top(row) + 60, kLabelWidth, 195,
                            QString::fromUtf8(labels[row][1]));
    class_ = MakeControl<QComboBox>(this, "cboClass", kBoxLeft, top(0), kBoxWidth, kBoxHeight);
    const std::pair<QLineEdit * EntryDialog::*, const char*> texts[] = {
        {&EntryDialog::name_, "txtName"}, {&EntryDialog::club_, "txtClub"},   {&EntryDialog::card_, "txtCard"},
        {&EntryDialog::bib_, "txtBib"},   {&EntryDialog::start_, "txtStart"}, {&EntryDialog::number_, "txtNumber"}};
    for (int row = 1; row < 7; ++row)
        this->*texts[row - 1].first =
            MakeControl<QLineEdit>(this, texts[row - 1].second, kBoxLeft, top(row), kBoxWidth, kBoxHeight);
    QFont boxes(QStringLiteral("ＭＳ Ｐゴシック"));
    boxes.setPointSizeF(9.75);
    for (QWidget* w : std::initializer_list<QWidget*>{class_, name_, club_, card_, bib_, start_, number_}) w->setFont(boxes);
    ok_ = MakeControl<QPushButton>(this, "cmdOk", 1440, 3300, 1215, 435, QStringLiteral("OK"));
    cancel_ = MakeControl<QPushButton>(this, "cmdCancel", 2760, 3300, 1215, 435, QStringLiteral("キャンセル"));

    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, [this] { Ok_Click(); });
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    QWidget* order[] = {class_, name_, club_, card_, bib_, start_, number_, ok_, cancel_};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    const EntryForm& form = desk_.Form();
    for (const std::string& c : desk_.Classes()) class_->addItem(Q(c));
    // A class the course file no longer names is shown as it stands, not silently changed.
    int at = class_->findText(Q(form.className));
    if (at < 0 && !form.className.empty()) {
        class_->addItem(Q(form.className));
        at = class_->count() - 1;
    }
    class_->setCurrentIndex(std::max(at, 0));
    name_->setText(Q(form.name));
    club_->setText(Q(form.club));
    card_->setText(Q(form.card));
    bib_->setText(Q(form.bib));
    start_->setText(Q(form.start));
    number_->setText(Q(form.number));
}

EntryForm EntryDialog::Form() const {
    EntryForm f;
    f.className = class_->currentText().toStdString();
    f.name = name_->text().toStdString();
    f.club = club_->text().toStdString();
    f.card = card_->text().toStdString();
    f.bib = bib_->text().toStdString();
    f.start = start_->text().toStdString();
    f.number = number_->text().toStdString();
    return f;
}

void EntryDialog::Ok_Click() {
    const EntryForm form = Form();
    DialogOutcome r = desk_.Ok(form);
    if (r.confirm) {
        // "No" leaves the dialog open with what was typed.
        if (!AskDialogQuestion(this, r.message)) return;
        r = desk_.Ok(form, true);
    }
    if (r.refused) {
        ShowDialogMessage(this, r.message, MessageIcon::None);
        return;
    }
    ShowSaveFailures(this, r.saveFailures);
    written_ = true;
    accept();
}

void EntryDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(this);
        (desk_.IsEdit() ? static_cast<QWidget*>(name_) : class_)->setFocus();
    }
}

std::optional<EntryForm> OpenEntryDialog(Station& station, int competitor, QWidget* owner) {
    EntryDialog dialog(station, competitor, owner);
    if (!dialog.Desk().CanOpen()) {
        ShowDialogMessage(owner, dialog.Desk().Why(), MessageIcon::None);
        return std::nullopt;
    }
    dialog.exec();
    if (!dialog.Written()) return std::nullopt;
    return EntryDesk::Trimmed(dialog.Form());
}

} // namespace quilo
