#pragma once
// Where `quilo` without a folder argument finds its event.
#include <string>

namespace quilo {

enum class StartFolder {
    ProgramFolder,  // the program's own folder holds an event: use it, as a copied-in program does
    Ask,            // an installed program or an empty folder: the operator picks the event folder
};

// ProgramFolder when the folder holds Control.dat or Startlst.dat, else Ask. Quilo.ini
// alone does not count: the first run would otherwise create it in a system folder.
StartFolder ChooseStartFolder(const std::string& programFolder);

} // namespace quilo
