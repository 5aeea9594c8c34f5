#pragma once
// What `quilo` does with its command line, and where it finds its event without one.
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace quilo {

enum class StartFolder {
    ProgramFolder, // the program's own folder holds an event: use it, as a copied-in program does
    Ask,           // an installed program or an empty folder: the operator picks the event folder
};

// ProgramFolder when the folder holds Control.dat or Startlst.dat, else Ask. Quilo.ini
// alone does not count: the first run would otherwise create it in a system folder.
StartFolder ChooseStartFolder(const std::string& programFolder);

struct StartCommand {
    enum class Action { Run, Help, Version, BadUsage };
    Action action = Action::Run;
    std::string folder;  // Run: the event folder given (a file's own folder); empty when none
    std::string problem; // BadUsage: what was wrong
};

// Reads `quilo`'s arguments (without the program name). A file stands for the folder
// holding it, as the desktop menu passes a file dropped on it.
StartCommand ParseStartArgs(const std::vector<std::string>& args);

// Prints the answer to Help, Version and BadUsage and returns the exit status (0, 0, 2);
// nullopt for Run. Needs no display.
std::optional<int> AnswerWithoutWindow(const StartCommand& command, std::ostream& out, std::ostream& err);

extern const char* const kQuiloUsage;

} // namespace quilo
