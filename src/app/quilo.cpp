// quilo [FOLDER]: the results station window over an event folder (a file stands for
// the folder holding it). Without FOLDER: the folder holding the program when it holds an
// event (a copy run from the event folder), else a folder chooser (an installed program
// lives in a system folder).
//
// QUILO_SCREENSHOT=file.png makes a run that shows result order, saves the window
// to that file and quits; QUILO_NOW=hh:nn:ss then fixes its clock.
#include "Publishing.h"
#include "core/History.h"
#include "core/Time.h"
#include "gui/Fonts.h"
#include "gui/MainWindow.h"
#include "gui/Translations.h"
#include "server/ResultsServer.h"
#include "station/EventFolder.h"
#include "station/Messages.h"
#include "station/Station.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

// The event folder chosen by the operator, or empty when the chooser was cancelled. The
// chooser starts at the last folder chosen, kept in the user's configuration.
QString AskEventFolder() {
    QSettings user(QStringLiteral("quilo"), QStringLiteral("quilo"));
    const QString last = user.value(QStringLiteral("LastEventFolder")).toString();
    const QString start = !last.isEmpty() && QFileInfo(last).isDir() ? last : QDir::homePath();
    const QString chosen = QFileDialog::getExistingDirectory(nullptr, QStringLiteral("大会フォルダを選択してください"), start);
    if (!chosen.isEmpty()) user.setValue(QStringLiteral("LastEventFolder"), chosen);
    return chosen;
}

// The server's start in the history: each address it is reached at, or the warning.
void ReportServerStart(quilo::History& history, const std::vector<std::string>& lines, bool ok) {
    if (!ok) {
        history.Warning({lines.empty() ? std::string() : lines.back()});
        return;
    }
    for (const std::string& line : lines) history.Report(line);
}

} // namespace

int main(int argc, char** argv) {
    // Decided before QApplication, so usage, help and version need no display.
    const quilo::StartCommand command = quilo::ParseStartArgs(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto status = quilo::AnswerWithoutWindow(command, std::cout, std::cerr)) return *status;
    // Qt sees none of the arguments: a folder name must never be taken for a Qt option.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("Quilo"));
    quilo::InstallFontSubstitutions();
    quilo::InstallQtTranslations(app);

    QString folder;
    if (!command.folder.empty()) {
        folder = QFileInfo(QFile::decodeName(command.folder.c_str())).absoluteFilePath();
    } else if (quilo::ChooseStartFolder(QCoreApplication::applicationDirPath().toStdString()) ==
               quilo::StartFolder::ProgramFolder) {
        folder = QCoreApplication::applicationDirPath();
    } else {
        folder = AskEventFolder();
        if (folder.isEmpty()) return 0;
    }
    folder = QDir::cleanPath(folder);
    if (!QFileInfo(folder).isDir()) {
        QMessageBox::critical(nullptr, QStringLiteral("Quilo"), QStringLiteral("フォルダが見つかりません: ") + folder);
        return 1;
    }

    const QString shot = qEnvironmentVariable("QUILO_SCREENSHOT");
    quilo::Clock clock = quilo::SystemClock();
    if (!shot.isEmpty()) {
        if (auto now = quilo::ParseTime(qEnvironmentVariable("QUILO_NOW").toStdString())) clock = [t = *now] { return t; };
    }

    quilo::Station station(folder.toStdString(), clock);
    quilo::MainWindow window(station);
    if (!shot.isEmpty()) {
        // Nobody answers dialogs in a screenshot run.
        window.spareOpener = nullptr;
        window.importOpener = nullptr;
        window.critical = [](QWidget*, const QString&, const QString& text) {
            std::fprintf(stderr, "%s\n", qPrintable(text));
        };
    }
    window.Load();
    if (const quilo::Error* stopped = station.StartupError()) {
        window.critical(nullptr, QStringLiteral("Quilo"),
                        QString::fromStdString(quilo::FailureText(quilo::kStartupFailed, *stopped)));
        return 1;
    }
    // The results server (ServerPort set): it reads only the station's snapshots, on
    // threads of its own. Not in a screenshot run, whose history must not depend on a port.
    quilo::ResultsServer server;
    quilo::Subscription serving;
    if (quilo::ServerOptions options = quilo::ServerOptionsFrom(station.Settings()); options.port > 0 && shot.isEmpty()) {
        options.yieldToStation = true;
        const quilo::ResultsServer::Started started = server.Start(options);
        ReportServerStart(station.OperationHistory(), quilo::ResultsServer::StartLines(server, started), started.ok);
        if (started.ok) {
            serving = station.Subscribe([&server](const auto& snapshot) { server.Publish(snapshot); });
            server.Publish(station.Snapshot());
        }
    }
    // Results online (UploadUrl, IofUploadUrl or MopUrl set): the uploader sends the
    // station's snapshots from threads of its own and never holds the window up; what it
    // has to tell the history is taken here, on the station's thread.
    std::unique_ptr<quilo::Uploader> uploader;
    quilo::Subscription uploading;
    QTimer uploadNotes;
    if (quilo::UploaderOptions options = quilo::PublishingOptions(station.Settings(), station.PathOf("Outbox"));
        !options.targets.empty() && shot.isEmpty()) {
        options.yieldToStation = true;
        uploader = std::make_unique<quilo::Uploader>(std::move(options));
        uploading = station.Subscribe([&up = *uploader](const auto& snapshot) { up.Publish(snapshot); });
        uploader->Publish(station.Snapshot());
        QObject::connect(&uploadNotes, &QTimer::timeout, &window, [&] { uploader->ReportTo(station.OperationHistory()); });
        uploadNotes.start(500);
    }
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
