#pragma once
// The Windows font names the window asks for, mapped to fonts found on Linux.
#include <QFont>
#include <QString>

namespace quilo {

inline const QString kGothic = QStringLiteral("ＭＳ ゴシック");
inline const QString kPGothic = QStringLiteral("ＭＳ Ｐゴシック");
inline const QString kTimes = QStringLiteral("Times New Roman");

// Registers the substitutes; call once before any widget is created.
void InstallFontSubstitutions();

// The font of the three lists: fixed pitch, a full-width character two columns wide.
QFont ListFont(double pointSize);
// The point size a font size setting gives: 9 when the value is no usable size.
double UsablePointSize(double value);

} // namespace quilo
