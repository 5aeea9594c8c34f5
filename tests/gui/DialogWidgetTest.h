#pragma once
// Shared pieces of the dialog widget tests: the messages the hook caught and control look-up.
#include "Exposed.h"
#include "gui/DialogSupport.h"

#include <QString>
#include <QWidget>

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

} // namespace quilo::test
