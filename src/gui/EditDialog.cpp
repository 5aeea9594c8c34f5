#include "gui/EditDialog.h"

#include "gui/DialogSupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

namespace quilo {
namespace {

QFont Font(const char* family, double points) {
    QFont f(QString::fromUtf8(family));
    f.setPointSizeF(points);
    return f;
}

void ShowText(QLineEdit* box, const std::string& text, bool enabled) {
    QString q = QString::fromStdString(text);
    if (box->text() != q) box->setText(q);
    box->setEnabled(enabled);
}

void ShowCheck(QCheckBox* box, const CheckControl& c) {
    box->setChecked(c.ticked);
    box->setEnabled(c.enabled);
}

} // namespace

EditDialog::EditDialog(Station& station, int competitor, QWidget* parent) : QDialog(parent), logic_(station, competitor) {
    SetFixedDialogStyle(this, 5595, 3900);

    check1_ = MakeControl<QCheckBox>(this, "Check1", 240, 120, 1215, 495, QStringLiteral("欠席"));
    check2_ = MakeControl<QCheckBox>(this, "Check2", 240, 600, 1215, 495, QStringLiteral("参考記録"));
    check3_ = MakeControl<QCheckBox>(this, "Check3", 240, 1080, 2175, 495, QStringLiteral("遅刻による時間の加算"));
    text1_ = MakeControl<QLineEdit>(this, "Text1", 960, 1500, 615, 315);
    label1_ = MakeControl<QLabel>(this, "Label1", 1680, 1560, 615, 195, QStringLiteral("分"));
    list1_ = MakeControl<QListWidget>(this, "List1", 3600, 180, 1815, 2940);
    check4_ = MakeControl<QCheckBox>(this, "Check4", 240, 1920, 1335, 495, QStringLiteral("記録変更"));
    option1_ = MakeControl<QRadioButton>(this, "Option1", 960, 2340, 1215, 435, QStringLiteral("OK"));
    text2_ = MakeControl<QLineEdit>(this, "Text2", 1920, 2400, 1215, 315);
    label2_ = MakeControl<QLabel>(this, "Label2", 2160, 2160, 855, 255, QStringLiteral("hh:mm:ss"));
    option2_ = MakeControl<QRadioButton>(this, "Option2", 960, 2760, 1215, 435, QStringLiteral("DISQ"));
    text3_ = MakeControl<QLineEdit>(this, "Text3", 1920, 2820, 975, 315);
    command2_ = MakeControl<QPushButton>(this, "Command2", 4080, 3300, 1215, 435, QStringLiteral("閉じる"));
    command1_ = MakeControl<QPushButton>(this, "Command1", 2640, 3300, 1215, 435, QStringLiteral("変更"));

    QFont fixed = Font("ＭＳ ゴシック", 9);
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    list1_->setFont(fixed);
    label2_->setFont(fixed);
    QFont boxes = Font("ＭＳ Ｐゴシック", 9.75);
    for (QWidget* w : {static_cast<QWidget*>(text1_), static_cast<QWidget*>(text2_), static_cast<QWidget*>(text3_),
                       static_cast<QWidget*>(label1_)})
        w->setFont(boxes);

    command1_->setDefault(true);
    connect(command2_, &QPushButton::clicked, this, &QDialog::reject);
    connect(command1_, &QPushButton::clicked, this, [this] { Command1_Click(); });

    QWidget* order[] = {check1_,  check2_, check3_,  text1_, list1_,    check4_,
                        option1_, text2_,  option2_, text3_, command2_, command1_};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    found_ = logic_.Load();
    list1_->clear();
    for (const auto& line : logic_.Controls().Lines) list1_->addItem(QString::fromStdString(line));
    setWindowTitle(QString::fromStdString(logic_.Controls().Caption));
    Refresh();

    connect(check1_, &QCheckBox::toggled, this, [this](bool on) {
        logic_.SetAbsent(on);
        Refresh();
    });
    connect(check2_, &QCheckBox::toggled, this, [this](bool on) {
        logic_.SetReference(on);
        Refresh();
    });
    connect(check3_, &QCheckBox::toggled, this, [this](bool on) {
        logic_.SetLate(on);
        Refresh();
    });
    connect(check4_, &QCheckBox::toggled, this, [this](bool on) {
        logic_.SetByHand(on);
        Refresh();
    });
    connect(option1_, &QRadioButton::toggled, this, [this](bool on) {
        if (!on) return; // the other one's selection reports it
        logic_.SelectValid();
        Refresh();
    });
    connect(option2_, &QRadioButton::toggled, this, [this](bool on) {
        if (!on) return; // the other one's selection reports it
        logic_.SelectDisqualified();
        Refresh();
    });
    connect(text1_, &QLineEdit::textChanged, this, [this](const QString& t) {
        logic_.SetLateMinutes(t.toStdString());
        Refresh();
    });
    connect(text2_, &QLineEdit::textChanged, this, [this](const QString& t) {
        logic_.SetHandTime(t.toStdString());
        Refresh();
    });
    connect(text3_, &QLineEdit::textChanged, this, [this](const QString& t) {
        logic_.SetCode(t.toStdString());
        Refresh();
    });
}

void EditDialog::Refresh() {
    const EditControls& c = logic_.Controls();
    QSignalBlocker b1(check1_), b2(check2_), b3(check3_), b4(check4_), b5(option1_), b6(option2_), b7(text1_), b8(text2_),
        b9(text3_);
    ShowCheck(check1_, c.Absent);
    ShowCheck(check2_, c.Reference);
    ShowCheck(check3_, c.Late);
    ShowCheck(check4_, c.ByHand);
    ShowText(text1_, c.LateMinutes.text, c.LateMinutes.enabled);
    ShowText(text2_, c.HandTime.text, c.HandTime.enabled);
    ShowText(text3_, c.Code.text, c.Code.enabled);
    // Both start unselected; once one is chosen the pair stays exclusive.
    if (c.Valid.selected) option1_->setChecked(true);
    if (c.Disqualified.selected) option2_->setChecked(true);
    option1_->setEnabled(c.Valid.enabled);
    option2_->setEnabled(c.Disqualified.enabled);
    command1_->setEnabled(c.ApplyEnabled);
}

void EditDialog::Command1_Click() {
    DialogOutcome r = logic_.Apply();
    Refresh();
    if (r.refused) {
        ShowDialogMessage(this, r.message, MessageIcon::None);
        return;
    }
    ShowSaveFailures(this, r.saveFailures);
    accept();
}

void EditDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(this);
    }
}

void OpenEditDialog(Station& station, int competitor, QWidget* owner) {
    EditDialog dialog(station, competitor, owner);
    if (!dialog.Found()) {
        ShowDialogMessage(owner, EditLogic::kNotFound, MessageIcon::None);
        return;
    }
    dialog.exec();
}

} // namespace quilo
