#include "gui/DialogSupport.h"

#include "station/Messages.h"

#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

namespace quilo {

MessageHook& DialogMessageHook() {
    static MessageHook hook;
    return hook;
}

void ShowDialogMessage(QWidget* parent, const std::string& text, MessageIcon icon) {
    // Messages break lines with CR LF; the box shows the CR as a character of its own.
    QString qtext = QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (auto& hook = DialogMessageHook()) {
        hook(parent, qtext, icon);
        return;
    }
    QMessageBox box(icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon, QStringLiteral("Quilo"),
                    qtext, QMessageBox::Ok, parent);
    box.exec();
}

QuestionHook& DialogQuestionHook() {
    static QuestionHook hook;
    return hook;
}

bool AskDialogQuestion(QWidget* parent, const std::string& text) {
    QString qtext = QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (auto& hook = DialogQuestionHook()) return hook(parent, qtext);
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Quilo"), qtext, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("はい"));
    box.button(QMessageBox::No)->setText(QStringLiteral("いいえ"));
    return box.exec() == QMessageBox::Yes;
}

void ShowSaveFailures(QWidget* parent, const std::vector<Error>& failures) {
    for (const auto& f : failures) ShowDialogMessage(parent, ChangeNotSavedText(f), MessageIcon::Critical);
}

void SetFixedDialogStyle(QWidget* dialog, int widthTwips, int heightTwips) {
    dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    dialog->setFixedSize(Twips(widthTwips), Twips(heightTwips));
}

void CentreOnScreen(QWidget* window) {
    QScreen* screen = window->screen();
    if (!screen) return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace quilo
