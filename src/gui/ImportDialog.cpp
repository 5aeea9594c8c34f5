#include "gui/ImportDialog.h"

#include "core/Time.h"
#include "gui/DialogSupport.h"
#include "station/Messages.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>

#include <utility>

namespace quilo {

namespace {

QString KindText(IofKind kind) {
    switch (kind) {
    case IofKind::CourseData: return QStringLiteral("コースデータ");
    case IofKind::StartList: return QStringLiteral("スタートリスト");
    case IofKind::EntryList: return QStringLiteral("エントリーリスト");
    }
    return {};
}

// The folder's own files are named without it: the operator knows which folder.
std::string WithoutFolder(const std::string& path, const std::string& folder) {
    const std::string base = folder.ends_with('/') ? folder : folder + "/";
    return path.starts_with(base) ? path.substr(base.size()) : path;
}

} // namespace

QString ImportDialog::FileLine(const IofFileSummary& file, bool used) {
    QString counts = QStringLiteral("クラス %1").arg(file.classes);
    if (file.kind == IofKind::CourseData) counts += QStringLiteral("、コース %1").arg(file.courses);
    else counts += QStringLiteral("、競技者 %1").arg(file.competitors);
    QString line = QStringLiteral("%1\n　%2（%3）").arg(QString::fromStdString(file.name), KindText(file.kind), counts);
    if (!used) line += QStringLiteral("　使いません");
    return line;
}

ImportDialog::ImportDialog(FolderSurvey survey, QWidget* parent) : QDialog(parent), survey_(std::move(survey)) {
    SetFixedDialogStyle(this, 6480, 6570);
    setWindowTitle(QStringLiteral("大会ファイルの作成"));

    auto* label1 = MakeControl<QLabel>(this, "Label1", 240, 180, 6000, 435,
                                       QStringLiteral("このフォルダには Control.dat も Startlst.dat もありません。\n"
                                                      "次の IOF XML ファイルから大会ファイルを作成できます。"));
    label1->setWordWrap(true);
    QStringList lines;
    for (std::size_t i = 0; i < survey_.files.size(); ++i)
        lines << FileLine(survey_.files[i], survey_.courses == i || survey_.entries == i);
    auto* label2 = MakeControl<QLabel>(this, "Label2", 360, 720, 5880, 1500, lines.join(QLatin1Char('\n')));
    label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // A finish with no numeric code needs the finish unit's code.
    auto* label3 = MakeControl<QLabel>(this, "Label3", 240, 2400, 2655, 255, QStringLiteral("ゴールのコード（必要な時）"));
    finishCode_ = MakeControl<QLineEdit>(this, "Text1", 3000, 2355, 1215, 315);
    const bool courses = survey_.courses.has_value();
    label3->setVisible(courses);
    finishCode_->setVisible(courses);

    // An EntryList has no start times: the first start and the interval give them.
    auto* label4 = MakeControl<QLabel>(this, "Label4", 240, 2820, 2655, 255, QStringLiteral("最初のスタート"));
    firstStart_ = MakeControl<QLineEdit>(this, "Text2", 3000, 2775, 1215, 315, QStringLiteral("10:00:00"));
    auto* label5 = MakeControl<QLabel>(this, "Label5", 240, 3240, 2655, 255, QStringLiteral("スタート間隔（秒）"));
    interval_ = MakeControl<QLineEdit>(this, "Text3", 3000, 3195, 1215, 315, QStringLiteral("60"));
    auto* label6 = MakeControl<QLabel>(this, "Label6", 240, 3660, 6000, 435,
                                       QStringLiteral("E-card のないエントリーは作成できません。"
                                                      "レンタルカードは quilo-import --rental-cards で割り当ててください。"));
    label6->setWordWrap(true);
    const bool entryList = survey_.entries && survey_.files[*survey_.entries].kind == IofKind::EntryList;
    for (QWidget* w : {static_cast<QWidget*>(label4), static_cast<QWidget*>(firstStart_), static_cast<QWidget*>(label5),
                       static_cast<QWidget*>(interval_), static_cast<QWidget*>(label6)})
        w->setVisible(entryList);

    MakeControl<QLabel>(this, "Label7", 240, 4200, 6000, 255, QStringLiteral("作成できない理由"));
    refusals_ = MakeControl<QPlainTextEdit>(this, "Text4", 240, 4500, 6000, 1335);
    refusals_->setReadOnly(true);
    refusals_->setLineWrapMode(QPlainTextEdit::NoWrap);

    command1_ = MakeControl<QPushButton>(this, "Command1", 3000, 6000, 1575, 435, QStringLiteral("作成"));
    command2_ = MakeControl<QPushButton>(this, "Command2", 4665, 6000, 1575, 435, QStringLiteral("キャンセル"));
    command1_->setDefault(true);
    connect(command1_, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(command2_, &QPushButton::clicked, this, &QDialog::reject);
}

ImportOptions ImportDialog::Options(std::vector<std::string>& problems) const {
    ImportOptions o = survey_.Options();
    for (const QString& part :
         finishCode_->text().split(QRegularExpression(QStringLiteral("[\\s,、]+")), Qt::SkipEmptyParts)) {
        if (auto code = WholeNumberText(part.toStdString()); code && *code > 0) o.finishCodes.push_back(*code);
        else problems.push_back("ゴールのコード「" + part.toStdString() + "」は数ではありません");
    }
    if (!o.entries.empty()) {
        o.firstStart = ParseTime(firstStart_->text().toStdString());
        if (!o.firstStart) problems.push_back("最初のスタートは 10:00:00 の形で入力してください");
        const auto interval = WholeNumberText(interval_->text().trimmed().toStdString());
        if (interval && *interval >= 0) o.interval = *interval;
        else problems.push_back("スタート間隔は 0 以上の秒数で入力してください（0 は一斉スタート）");
    }
    return o;
}

void ImportDialog::Command1_Click() {
    std::vector<std::string> problems;
    const ImportOptions options = Options(problems);
    if (problems.empty()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const ImportOutcome outcome = RunImportJob(options);
        QApplication::restoreOverrideCursor();
        if (outcome.Done()) {
            created_ = true;
            accept();
            return;
        }
        for (Refusal r : outcome.plan.refusals) {
            r.file = WithoutFolder(r.file, survey_.folder);
            problems.push_back(RefusalText(r));
        }
        if (outcome.failure)
            problems.push_back("書き込めません: " + outcome.failure->path + "（" + ReasonText(*outcome.failure) + "）");
        problems.insert(problems.end(), outcome.differences.begin(), outcome.differences.end());
    }
    QStringList lines;
    for (const std::string& p : problems) lines << QString::fromStdString(p);
    refusals_->setPlainText(lines.join(QLatin1Char('\n')));
}

void ImportDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!centred_) {
        centred_ = true;
        CentreOnScreen(this);
    }
}

bool OpenImportDialog(const FolderSurvey& survey, QWidget* owner) {
    ImportDialog dialog(survey, owner);
    dialog.exec();
    return dialog.Created();
}

} // namespace quilo
