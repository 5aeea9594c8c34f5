#include "setup/ImportCommand.h"

#include "core/Version.h"
#include "setup/IofImport.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <ostream>

namespace quilo {

const char* const kImportUsage =
    "usage: quilo-import [--courses COURSEDATA.xml] [--entries ENTRYLIST.xml | --starts STARTLIST.xml]\n"
    "                    [--first-start HH:MM:SS --interval SECONDS] [--finish-code CODE]...\n"
    "                    [--spare-cards FILE] [--rental-cards FILE] [--force] FOLDER\n"
    "\n"
    "Creates the event folder's Control.dat from an IOF XML 3.0 CourseData file and its\n"
    "Startlst.dat from a StartList or an EntryList. Everything is checked first: a\n"
    "problem is listed with its file and line, and then nothing is written.\n"
    "\n"
    "  --courses FILE       CourseData: one class per ClassCourseAssignment (forked\n"
    "                       courses of a class merged into alternatives)\n"
    "  --starts FILE        StartList: start times, bibs and cards as the file gives\n"
    "  --entries FILE       EntryList: start times from --first-start and --interval\n"
    "  --first-start HH:MM:SS  the first start of each class (EntryList)\n"
    "  --interval SECONDS   seconds between starts in a class (0: a mass start)\n"
    "  --finish-code CODE   the code of a finish without a numeric one (repeatable)\n"
    "  --spare-cards FILE   spare E-cards, one a line\n"
    "  --rental-cards FILE  cards for the entries without one, one a line, in order\n"
    "  --force              replace Control.dat and Startlst.dat (the old ones kept as\n"
    "                       Control.dat.bak and Startlst.dat.bak)\n"
    "  --help               this text\n"
    "  --version            the program's version\n"
    "\n"
    "Exit status: 0 done, 1 a file could not be written or did not read back as meant,\n"
    "2 refused (nothing written) or bad usage.\n";

namespace {

int Usage(std::ostream& err, const std::string& problem) {
    err << "quilo-import: " << problem << "\n" << kImportUsage;
    return 2;
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

int RunImport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ImportOptions opt;
    std::optional<int> interval;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string v;
        auto value = [&] {
            if (i + 1 >= args.size() || args[i + 1].empty()) return false;
            v = args[++i];
            return true;
        };
        auto file = [&](std::string& into) {
            if (!value()) return Usage(err, a + " needs a file");
            if (!into.empty()) return Usage(err, a + " given twice");
            into = v;
            return 0;
        };
        if (a == "--help" || a == "-h") {
            out << kImportUsage;
            return 0;
        } else if (a == "--version") {
            out << "quilo-import " QUILO_VERSION "\n";
            return 0;
        } else if (a == "--courses" || a == "--entries" || a == "--starts" || a == "--spare-cards" || a == "--rental-cards") {
            std::string& into = a == "--courses"       ? opt.courses
                                : a == "--entries"     ? opt.entries
                                : a == "--starts"      ? opt.starts
                                : a == "--spare-cards" ? opt.spareCards
                                                       : opt.rentalCards;
            if (const int status = file(into)) return status;
        } else if (a == "--first-start") {
            if (!value()) return Usage(err, "--first-start needs a time");
            auto t = ParseTime(v);
            if (!t || std::count(v.begin(), v.end(), ':') != 2) return Usage(err, "malformed --first-start: " + v);
            opt.firstStart = *t;
        } else if (a == "--interval") {
            if (!value()) return Usage(err, "--interval needs seconds");
            interval = WholeNumberText(v);
            if (!interval || *interval < 0) return Usage(err, "malformed --interval: " + v);
        } else if (a == "--finish-code") {
            if (!value()) return Usage(err, "--finish-code needs a code");
            const auto code = WholeNumberText(v);
            if (!code || *code <= 0) return Usage(err, "malformed --finish-code: " + v);
            opt.finishCodes.push_back(*code);
        } else if (a == "--force") {
            opt.force = true;
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            return Usage(err, "unknown option: " + a);
        } else if (opt.folder.empty()) {
            opt.folder = a;
        } else {
            return Usage(err, "more than one folder given");
        }
    }
    if (opt.folder.empty()) return Usage(err, "no event folder given");
    if (opt.courses.empty() && opt.entries.empty() && opt.starts.empty())
        return Usage(err, "nothing to import: give --courses, --entries or --starts");
    if (!opt.entries.empty() && !opt.starts.empty()) return Usage(err, "give --entries or --starts, not both");
    if (!opt.entries.empty() && (!opt.firstStart || !interval))
        return Usage(err, "an EntryList has no start times: give --first-start and --interval");
    if (opt.entries.empty() && (opt.firstStart || interval))
        return Usage(err, "--first-start and --interval go with --entries");
    if (opt.entries.empty() && opt.starts.empty() && (!opt.spareCards.empty() || !opt.rentalCards.empty()))
        return Usage(err, "--spare-cards and --rental-cards go with --entries or --starts");
    if (opt.courses.empty() && !opt.finishCodes.empty()) return Usage(err, "--finish-code goes with --courses");
    opt.interval = interval.value_or(0);
    if (!IsFolder(opt.folder)) {
        err << "quilo-import: not a folder: " << opt.folder << "\n";
        return 2;
    }
    while (opt.folder.size() > 1 && opt.folder.back() == '/') opt.folder.pop_back();

    const ImportOutcome outcome = RunImportJob(opt);
    if (!outcome.plan.refusals.empty()) {
        err << "quilo-import: refused, nothing written (" << outcome.plan.refusals.size()
            << (outcome.plan.refusals.size() == 1 ? " problem" : " problems") << "):\n";
        for (const Refusal& r : outcome.plan.refusals) err << "  " << RefusalText(r) << "\n";
        return 2;
    }
    for (const std::string& notice : outcome.plan.notices) out << notice << "\n";
    for (const std::string& path : outcome.written) out << "written: " << path << "\n";
    if (outcome.failure) {
        const Error& f = *outcome.failure;
        err << "quilo-import: cannot write " << f.path << ": "
            << (f.kind == Error::Kind::System ? std::strerror(f.errnum) : "not a regular file") << "\n";
        return 1;
    }
    if (!outcome.differences.empty()) {
        err << "quilo-import: the files written do not read back as meant:\n";
        for (const std::string& d : outcome.differences) err << "  " << d << "\n";
        return 1;
    }
    if (outcome.plan.writeCourses) out << "Control.dat: " << outcome.plan.classes.size() << " classes\n";
    if (outcome.plan.writeStarts) {
        const auto spares =
            std::count_if(outcome.plan.rows.begin(), outcome.plan.rows.end(), [](const StartRow& r) { return r.spare; });
        out << "Startlst.dat: " << outcome.plan.rows.size() - static_cast<std::size_t>(spares) << " competitors, " << spares
            << " spare cards\n";
    }
    return 0;
}

} // namespace quilo
