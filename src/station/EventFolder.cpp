#include "station/EventFolder.h"

#include "core/General.h"

namespace quilo {

StartFolder ChooseStartFolder(const std::string& programFolder) {
    const std::string base = programFolder.empty() || programFolder.back() == '/' ? programFolder : programFolder + "/";
    for (const char* name : {"Control.dat", "Startlst.dat"})
        if (FileExists(base + name)) return StartFolder::ProgramFolder;
    return StartFolder::Ask;
}

} // namespace quilo
