#pragma once
// Shared pieces of the dialog widget tests: the messages the hook caught, control look-up
// and a hand on a modal dialog or a popup menu once it is open.
#include "Exposed.h"
#include "gui/DialogSupport.h"

#include <QApplication>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace quilo::test {

struct Shown {
    QString text;
    MessageIcon icon;
};

template <class W>
W* Find(QWidget& d, const char* name) {
    W* w = d.findChild<W*>(QString::fromLatin1(name));
    if (!w) qFatal("no control %s", name);
    return w;
}

// Runs `act` on the dialog (or menu) once it is the active modal widget or popup (looked
// for every 10 ms for at most 2 s).
template <class D>
void WhenOpen(std::function<void(D&)> act, bool* seen) {
    auto* timer = new QTimer;
    auto* tries = new int(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, act, seen] {
        auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!d) d = qobject_cast<D*>(QApplication::activePopupWidget());
        if (!d && ++*tries < 200) return;
        timer->stop();
        timer->deleteLater();
        delete tries;
        if (!d) return;
        *seen = true;
        act(*d);
    });
    timer->start(10);
}

} // namespace quilo::test
