#include "station/EventFolder.h"

#include "core/Paths.h"
#include "core/Version.h"

#include <filesystem>
#include <ostream>

namespace quilo {

const char* const kQuiloUsage =
    "usage: quilo [FOLDER]\n"
    "\n"
    "Opens the results station window on the event FOLDER (Control.dat, Startlst.dat,\n"
    "Change.dat, Regnly.log, Quilo.ini); a file given instead opens the folder holding\n"
    "it. Without FOLDER: the folder holding the program when it holds Control.dat or\n"
    "Startlst.dat; otherwise a folder chooser asks for the event folder, starting at the\n"
    "last one chosen.\n"
    "\n"
    "  --help     this text\n"
    "  --version  the program's version\n"
    "\n"
    "Exit status: 0 the window was closed or the folder chooser cancelled, 1 no such\n"
    "folder, 2 bad usage (an unknown option or more than one FOLDER).\n";

StartFolder ChooseStartFolder(const std::string& programFolder) {
    const std::string base = programFolder.empty() || programFolder.back() == '/' ? programFolder : programFolder + "/";
    for (const char* name : {"Control.dat", "Startlst.dat"})
        if (FileExists(base + name)) return StartFolder::ProgramFolder;
    return StartFolder::Ask;
}

StartCommand ParseStartArgs(const std::vector<std::string>& args) {
    using Action = StartCommand::Action;
    const auto bad = [](std::string problem) { return StartCommand{Action::BadUsage, {}, std::move(problem)}; };
    std::vector<std::string> operands;
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") return {Action::Help, {}, {}};
        if (a == "--version") return {Action::Version, {}, {}};
        // "-" stays a name, as quilo-report takes it.
        if (a.size() > 1 && a[0] == '-') return bad("unknown option: " + a);
        operands.push_back(a);
    }
    if (operands.size() > 1) return bad("more than one folder given: " + operands[1]);
    if (operands.empty()) return {};
    if (operands[0].empty()) return bad("empty folder name");

    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path given(operands[0]);
    const fs::file_status st = fs::status(given, ec);
    if (!fs::exists(st) || fs::is_directory(st)) return {Action::Run, operands[0], {}};
    const fs::path parent = given.parent_path();
    return {Action::Run, parent.empty() ? "." : parent.string(), {}};
}

std::optional<int> AnswerWithoutWindow(const StartCommand& command, std::ostream& out, std::ostream& err) {
    switch (command.action) {
    case StartCommand::Action::Run: return std::nullopt;
    case StartCommand::Action::Help: out << kQuiloUsage; return 0;
    case StartCommand::Action::Version: out << "quilo " QUILO_VERSION "\n"; return 0;
    case StartCommand::Action::BadUsage: err << "quilo: " << command.problem << "\n" << kQuiloUsage; return 2;
    }
    return 2;
}

} // namespace quilo
