#include "gui/Fonts.h"

#include <QStringList>

#include <cmath>

namespace quilo {

void InstallFontSubstitutions() {
    // IPAGothic first: its half-width glyphs are exactly half a full-width one, so the
    // fixed columns of the lists line up with Japanese names in them.
    QFont::insertSubstitutions(kGothic, {QStringLiteral("IPAGothic"), QStringLiteral("IPAexGothic"),
                                         QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("DejaVu Sans Mono")});
    QFont::insertSubstitutions(kPGothic, {QStringLiteral("IPAPGothic"), QStringLiteral("IPAexGothic"),
                                          QStringLiteral("Noto Sans CJK JP"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(kTimes, {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")});
}

double UsablePointSize(double value) {
    if (!std::isfinite(value) || value <= 0.0 || value > 200.0) return 9.0;
    return value;
}

QFont ListFont(double pointSize) {
    QFont f(kGothic);
    f.setStyleHint(QFont::Monospace);
    f.setFixedPitch(true);
    f.setPointSizeF(UsablePointSize(pointSize));
    return f;
}

} // namespace quilo
