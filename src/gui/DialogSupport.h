#pragma once
// What the operator dialogs share: message boxes routed through one replaceable
// hook (so tests can answer them instead of blocking on a modal box), the design-unit
// conversion and the window style.
#include "core/Files.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace quilo {

enum class MessageIcon { None, Critical };

using MessageHook = std::function<void(QWidget* parent, const QString& text, MessageIcon icon)>;

// Empty: the real message box (OK button only).
MessageHook& DialogMessageHook();

void ShowDialogMessage(QWidget* parent, const std::string& text, MessageIcon icon);

// A yes/no question (No is the default button); true for yes.
using QuestionHook = std::function<bool(QWidget* parent, const QString& text)>;
// Empty: the real message box.
QuestionHook& DialogQuestionHook();
bool AskDialogQuestion(QWidget* parent, const std::string& text);

// One critical box per change record that could not be written.
void ShowSaveFailures(QWidget* parent, const std::vector<Error>& failures);

// Design units of the dialogs (twips) to pixels.
constexpr int Twips(int twips) { return (twips + 7) / 15; }

// Fixed client size, title bar with a close button only.
void SetFixedDialogStyle(QWidget* dialog, int widthTwips, int heightTwips);
// Centres a window on its screen.
void CentreOnScreen(QWidget* window);

// A control named as the tests find it, placed at its design position.
template <class W, class... Args>
W* MakeControl(QWidget* parent, const char* name, int left, int top, int width, int height, Args&&... args) {
    auto* w = new W(std::forward<Args>(args)..., parent);
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(Twips(left), Twips(top), Twips(width), Twips(height));
    return w;
}

} // namespace quilo
