// quilo [FOLDER]: the results station window over an event folder (default: the
// folder holding the program).
//
// QUILO_SCREENSHOT=file.png makes a run that shows result order, saves the window
// to that file and quits; QUILO_NOW=hh:nn:ss then fixes its clock.
#include "core/History.h"
#include "core/Time.h"
#include "gui/Fonts.h"
#include "gui/MainWindow.h"
#include "station/Station.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quilo"));
    quilo::InstallFontSubstitutions();

    const QStringList args = QApplication::arguments();
    QString folder = args.size() > 1 ? QFileInfo(args.at(1)).absoluteFilePath() : QCoreApplication::applicationDirPath();
    folder = QDir::cleanPath(folder);
    if (!QFileInfo(folder).isDir()) {
        QMessageBox::critical(nullptr, QStringLiteral("Quilo"), QStringLiteral("フォルダが見つかりません: ") + folder);
        return 1;
    }

    const QString shot = qEnvironmentVariable("QUILO_SCREENSHOT");
    quilo::Clock clock = quilo::SystemClock();
    if (!shot.isEmpty()) {
        if (auto now = quilo::ParseTime(qEnvironmentVariable("QUILO_NOW").toStdString()))
            clock = [t = *now] { return t; };
    }

    quilo::Station station(folder.toStdString(), clock);
    quilo::MainWindow window(station);
    if (!shot.isEmpty()) {
        // Nobody answers dialogs in a screenshot run.
        window.spareOpener = nullptr;
        window.critical = [](QWidget*, const QString&, const QString& text) {
            std::fprintf(stderr, "%s\n", qPrintable(text));
        };
    }
    window.Load();
    window.show();

    if (!shot.isEmpty()) {
        QTimer::singleShot(300, &window, [&] {
            window.Command4()->click();
            window.ClockTimer_Timer();
            if (!window.grab().save(shot)) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(shot));
                QCoreApplication::exit(1);
                return;
            }
            window.close();
        });
    }
    return app.exec();
}
