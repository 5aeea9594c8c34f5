#pragma once
// Shows a window or dialog and waits until the platform has put it on screen.
#include <QTest>
#include <QWidget>

namespace quilo::test {

inline bool ShowExposed(QWidget& w) {
    w.show();
    return QTest::qWaitForWindowExposed(&w);
}

} // namespace quilo::test
