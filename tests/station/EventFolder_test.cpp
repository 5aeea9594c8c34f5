#include "station/EventFolder.h"

#include "core/Version.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace quilo;
using quilo::test::Strings;
using quilo::test::TempDir;
using quilo::test::WriteCp932;

// Only a course file or a start list makes a folder an event's: settings, outputs, a
// folder named like an event file or no folder at all leave the choice to the operator.
TEST(EventFolder, ProgramFolderOnlyWithACourseFileOrAStartList) {
    const struct Case {
        const char* name;
        Strings files;
        const char* folder; // made inside, under this name
        const char* path;   // asked about, inside the scratch folder
        StartFolder expected;
    } cases[] = {
        {"empty folder", {}, nullptr, "", StartFolder::Ask},
        {"settings and outputs alone", {"Quilo.ini", "Regnly.log", "Change.dat"}, nullptr, "", StartFolder::Ask},
        {"course file", {"Control.dat"}, nullptr, "", StartFolder::ProgramFolder},
        {"course file, trailing slash", {"Control.dat"}, nullptr, "/", StartFolder::ProgramFolder},
        {"start list", {"Startlst.dat"}, nullptr, "", StartFolder::ProgramFolder},
        {"start list, trailing slash", {"Startlst.dat"}, nullptr, "/", StartFolder::ProgramFolder},
        {"folder named like an event file", {}, "Control.dat", "", StartFolder::Ask},
        {"missing folder", {}, nullptr, "/gone", StartFolder::Ask},
    };
    for (const Case& c : cases) {
        TempDir dir;
        for (const std::string& f : c.files) WriteCp932(dir.File(f), {});
        if (c.folder) std::filesystem::create_directory(dir.File(c.folder));
        EXPECT_EQ(ChooseStartFolder(dir.Path() + c.path), c.expected) << c.name;
    }
}

TEST(StartArgs, EachCallDecided) {
    TempDir dir;
    WriteCp932(dir.File("Control.dat"), {});
    const std::string d = dir.Path();
    using A = StartCommand::Action;
    struct Case {
        std::vector<std::string> args;
        A action;
        std::string folder;
        std::string problem;
    };
    const Case cases[] = {
        {{}, A::Run, "", ""},
        {{d}, A::Run, d, ""},
        {{d + "/gone"}, A::Run, d + "/gone", ""}, // the window says it is missing
        {{"-"}, A::Run, "-", ""},
        {{d + "/Control.dat"}, A::Run, d, ""},
        {{"Control.dat.none"}, A::Run, "Control.dat.none", ""},
        {{"--help"}, A::Help, "", ""},
        {{"-h"}, A::Help, "", ""},
        {{d, "--version"}, A::Version, "", ""},
        {{"--version", "--bogus"}, A::Version, "", ""},
        {{"--bogus"}, A::BadUsage, "", "unknown option: --bogus"},
        {{d, "-x"}, A::BadUsage, "", "unknown option: -x"},
        {{"--bogus", "--help"}, A::BadUsage, "", "unknown option: --bogus"},
        {{"--help=1"}, A::BadUsage, "", "unknown option: --help=1"},
        {{"a", "b"}, A::BadUsage, "", "more than one folder given: b"},
        {{d, d, d}, A::BadUsage, "", "more than one folder given: " + d},
        {{""}, A::BadUsage, "", "empty folder name"},
    };
    for (const auto& c : cases) {
        const StartCommand got = ParseStartArgs(c.args);
        const std::string call = c.args.empty() ? "(none)" : c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : "");
        EXPECT_EQ(got.action, c.action) << call;
        EXPECT_EQ(got.folder, c.folder) << call;
        EXPECT_EQ(got.problem, c.problem) << call;
    }
}

TEST(StartArgs, FileInTheWorkingFolderOpensIt) {
    TempDir dir;
    WriteCp932(dir.File("Startlst.dat"), {});
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    const StartCommand got = ParseStartArgs({"Startlst.dat"});
    std::filesystem::current_path(before);
    EXPECT_EQ(got.action, StartCommand::Action::Run);
    EXPECT_EQ(got.folder, ".");
}

TEST(StartArgs, AnsweredWithoutWindow) {
    using A = StartCommand::Action;
    struct Case {
        StartCommand command;
        std::optional<int> status;
        std::string out;
        std::string err;
    };
    const Case cases[] = {
        {{A::Run, "x", ""}, std::nullopt, "", ""},
        {{A::Help, "", ""}, 0, kQuiloUsage, ""},
        {{A::Version, "", ""}, 0, "quilo " QUILO_VERSION "\n", ""},
        {{A::BadUsage, "", "unknown option: --bogus"}, 2, "", std::string("quilo: unknown option: --bogus\n") + kQuiloUsage},
    };
    for (const auto& c : cases) {
        std::ostringstream out, err;
        EXPECT_EQ(AnswerWithoutWindow(c.command, out, err), c.status) << c.command.problem;
        EXPECT_EQ(out.str(), c.out);
        EXPECT_EQ(err.str(), c.err);
    }
    EXPECT_NE(std::string(kQuiloUsage).find("2 bad usage"), std::string::npos);
}
