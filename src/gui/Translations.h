#pragma once
// Qt's own dialogs and buttons (the folder chooser, message box buttons) in Japanese, as
// every text of the station is.
class QCoreApplication;

namespace quilo {

// Loads Qt's Japanese translations from the system's Qt translations folder; false when
// they are not installed (the standard texts then stay English).
bool InstallQtTranslations(QCoreApplication& app);

} // namespace quilo
