// A font size from the settings file is whatever the operator typed: sizes no list can
// use fall back to the default instead of an unreadable or huge list.
#include "gui/Fonts.h"

#include <QtTest>

#include <cmath>
#include <limits>

class FontsTest : public QObject {
    Q_OBJECT
private slots:
    void unusableSizesFallBack() {
        const double inf = std::numeric_limits<double>::infinity();
        const std::pair<double, double> cases[] = {
            {12.0, 12.0}, {200.0, 200.0}, {0.5, 0.5}, {0.0, 9.0}, {-3.0, 9.0}, {200.5, 9.0}, {inf, 9.0}, {std::nan(""), 9.0},
        };
        for (const auto& [given, used] : cases) QCOMPARE(quilo::UsablePointSize(given), used);
        QCOMPARE(quilo::ListFont(-1.0).pointSizeF(), 9.0);
        QVERIFY(quilo::ListFont(11.0).fixedPitch());
    }
};

QTEST_MAIN(FontsTest)
#include "Fonts_qtest.moc"
