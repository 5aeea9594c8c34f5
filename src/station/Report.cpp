#include "station/Report.h"

#include "core/Fields.h"
#include "core/Numbers.h"
#include "core/Version.h"
#include "station/EntryDesk.h"
#include "station/Messages.h"
#include "station/SpareLogic.h"
#include "station/Station.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <ostream>

namespace quilo {

const char* const kReportUsage =
    "usage: quilo-report [--now HH:MM:SS] [--order start|result] [--spare CARD=BIB]...\n"
    "                    [--add-entry ROW]... [--xml FILE] [--html FILE]\n"
    "                    [--publish [--timeout SECONDS]] FOLDER\n"
    "\n"
    "Runs the station's start-up on the event FOLDER (settings, course file, start list,\n"
    "change file, finish log), writes the results file (with the IOF XML result list and\n"
    "the HTML results page beside it) and the not-returned file, and\n"
    "prints the history, the class status table and the competitor list (UTF-8; each\n"
    "line is its item data, a TAB and its text).\n"
    "\n"
    "  --now HH:MM:SS      the time of day to use as the clock (default: local clock)\n"
    "  --order start|result  competitor list order (default: start)\n"
    "  --spare CARD=BIB    answer the spare-card question for card CARD (as the start\n"
    "                      list spells it: 09001) with bib BIB; a card that is no spare\n"
    "                      card or a bib nobody has is bad usage (spare cards not named\n"
    "                      are left unassigned)\n"
    "  --add-entry ROW     enter a competitor on the day: ROW is a start-list row,\n"
    "                      \"card,class,start,bib,name,number,club\" (a name or club with\n"
    "                      a comma in double quotes); appended to Startlst.dat after the\n"
    "                      start-up, by the entry desk's rules (a refused row is bad usage)\n"
    "  --xml FILE          write the IOF XML result list to FILE (default: XmlOutput)\n"
    "  --html FILE         write the HTML results page to FILE (default: HtmlOutput)\n"
    "  --publish           send the results to every target the settings name (UploadUrl,\n"
    "                      IofUploadUrl, MopUrl) once, after the files are written\n"
    "  --timeout SECONDS   how long --publish waits for the targets (default 30)\n"
    "  --help              this text\n"
    "  --version           the program's version\n"
    "\n"
    "Exit status: 0 done, 1 an output file could not be written, 2 bad usage or folder,\n"
    "3 a target could not be reached (each is named).\n";

namespace {

struct Options {
    std::optional<Time> now;
    bool byResult = false;
    std::vector<std::pair<std::string, std::string>> spares; // card as typed, bib as typed
    std::vector<std::string> entries;                        // --add-entry rows
    std::string folder;
    std::string xml, html; // export paths given on the command line
    bool publish = false;
    int timeout = 30;
};

int Usage(std::ostream& err, const std::string& problem) {
    err << "quilo-report: " << problem << "\n" << kReportUsage;
    return 2;
}

std::string AbsoluteFolder(const std::string& folder) {
    std::filesystem::path p = std::filesystem::absolute(folder).lexically_normal();
    std::string s = p.string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

// The --spare answers checked against the event before the finish log is read: each
// card a spare row of the start list, each bib a competitor's. Spare row -> bib as the
// dialog takes it (four characters); empty with the problem set when one is wrong.
std::map<int, std::string> SpareAnswers(const Station& station, const Options& opt, std::string& problem) {
    const Event& ev = station.Tables();
    std::map<int, std::string> answers;
    for (const auto& [card, bib] : opt.spares) {
        int row = -1;
        for (int n = 0; n < ev.Rows(); ++n)
            if (ev.EntryClass[n] == -1 && AsciiLower(ev.CardTexts[n]) == AsciiLower(card)) row = n;
        if (row < 0) {
            problem = "--spare " + card + "=" + bib + ": card " + card + " is not a spare card of the start list";
            return {};
        }
        // A bib given without its leading zeros ("102") is the dialog's "0102".
        const auto number = ToWholeNumber(bib);
        const std::string typed = number && *number >= 0 && *number <= 9999 ? ZeroPad(*number, 4) : bib;
        if (SpareLogic::FindCompetitorByBib(station, typed) < 0) {
            problem = "--spare " + card + "=" + bib + ": no competitor has bib " + bib;
            return {};
        }
        answers[row] = typed;
    }
    return answers;
}

// The spare-card question answered from --spare: as if the operator typed the bib and
// pressed OK (and said yes when asked); a card not named is a cancel.
SpareAnswer AnswerSpare(Station& station, int spareRow, const std::map<int, std::string>& spares, std::ostream& err,
                        int& status) {
    auto it = spares.find(spareRow);
    if (it == spares.end()) return SpareAnswer::Cancelled;
    SpareLogic logic(station, spareRow);
    logic.Load();
    logic.SetBibText(it->second);
    DialogOutcome r = logic.Ok();
    if (r.confirm) {
        err << "quilo-report: spare card " << logic.SpareCardText() << " given to bib " << it->second
            << ", who already had a result or another spare card\n";
        r = logic.Ok(true);
    }
    for (const Error& f : r.saveFailures) {
        err << "quilo-report: cannot write " << f.path << ": " << ReasonText(f) << "\n";
        status = 1;
    }
    return logic.Answer();
}

void PrintLines(std::ostream& out, const std::vector<ListLine>& lines) {
    for (const auto& l : lines) out << l.itemData << '\t' << l.text << '\n';
}

} // namespace

int RunReport(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const PublishOnce& publish) {
    Options opt;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= args.size()) return false;
            v = args[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            out << kReportUsage;
            return 0;
        } else if (a == "--version") {
            out << "quilo-report " QUILO_VERSION "\n";
            return 0;
        } else if (a == "--now") {
            if (!value(v)) return Usage(err, "--now needs a time");
            auto t = ParseTime(v);
            if (!t || std::count(v.begin(), v.end(), ':') != 2) return Usage(err, "malformed --now: " + v);
            opt.now = *t;
        } else if (a == "--order") {
            if (!value(v)) return Usage(err, "--order needs start or result");
            if (v == "start") opt.byResult = false;
            else if (v == "result") opt.byResult = true;
            else return Usage(err, "unknown order: " + v);
        } else if (a == "--spare") {
            if (!value(v)) return Usage(err, "--spare needs CARD=BIB");
            auto eq = v.find('=');
            if (eq == std::string::npos || !ToWholeNumber(v.substr(0, eq)) || eq + 1 >= v.size())
                return Usage(err, "malformed --spare: " + v);
            opt.spares.emplace_back(v.substr(0, eq), v.substr(eq + 1));
        } else if (a == "--add-entry") {
            if (!value(v)) return Usage(err, "--add-entry needs a start-list row");
            opt.entries.push_back(v);
        } else if (a == "--publish") {
            opt.publish = true;
        } else if (a == "--timeout") {
            if (!value(v)) return Usage(err, "--timeout needs a number of seconds");
            const auto n = ToWholeNumber(v);
            if (!n || *n < 1 || *n > 86400) return Usage(err, "malformed --timeout: " + v);
            opt.timeout = static_cast<int>(*n);
        } else if (a == "--xml" || a == "--html") {
            if (!value(v) || v.empty()) return Usage(err, a + " needs a file");
            (a == "--xml" ? opt.xml : opt.html) = std::filesystem::absolute(v).string();
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            return Usage(err, "unknown option: " + a);
        } else if (opt.folder.empty()) {
            opt.folder = a;
        } else {
            return Usage(err, "more than one folder given");
        }
    }
    if (opt.folder.empty()) return Usage(err, "no event folder given");
    if (opt.publish && !publish) return Usage(err, "--publish: this program cannot publish");

    std::string folder = AbsoluteFolder(opt.folder);
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        err << "quilo-report: not a folder: " << folder << "\n";
        return 2;
    }

    Clock clock = opt.now ? Clock([t = *opt.now] { return t; }) : SystemClock();
    Station station(folder, clock);
    int status = 0;
    std::map<int, std::string> spares;
    station.SetSparePrompt([&](int spareRow) { return AnswerSpare(station, spareRow, spares, err, status); });
    if (station.StartupBeforeLog()) {
        std::string problem;
        spares = SpareAnswers(station, opt, problem);
        if (!problem.empty()) {
            err << "quilo-report: " << problem << "\n";
            return 2;
        }
        station.StartupLog();
    } else if (const Error* stopped = station.StartupError()) {
        err << "quilo-report: " << ReasonText(*stopped) << "\n";
        return 2;
    }
    for (const std::string& row : opt.entries) {
        EntryDesk desk(station);
        const DialogOutcome r = desk.Ok(EntryDesk::ParseRow(row));
        if (r.refused) {
            std::string why = r.message;
            for (std::size_t at; (at = why.find("\r\n")) != std::string::npos;) why.replace(at, 2, " ");
            err << "quilo-report: --add-entry " << row << ": " << why << "\n";
            return 2;
        }
    }
    station.SetSortByResult(opt.byResult);

    Station::ResultOutputs results = station.WriteResultOutputs(opt.xml, opt.html);
    Result<std::string> notReturned = station.WriteNotReturned();
    const Result<> settings = station.ReleaseSettings();
    std::vector<const Error*> failures;
    for (const Result<std::string>* r : {&results.results, &results.xml, &results.html, &results.startXml, &notReturned})
        if (!*r) failures.push_back(&r->Failure());
    if (!settings) failures.push_back(&settings.Failure());
    for (const Error* f : failures) {
        err << "quilo-report: cannot write " << f->path << ": " << ReasonText(*f) << "\n";
        status = 1;
    }

    if (opt.publish) {
        const PublishOutcome sent = publish(station, opt.timeout);
        if (!sent.anyTarget) {
            err << "quilo-report: --publish: no target is set (UploadUrl, IofUploadUrl, MopUrl)\n";
            if (status == 0) status = 2;
        }
        for (const std::string& u : sent.unreached) {
            err << "quilo-report: could not send to " << u << "\n";
            if (status == 0) status = 3;
        }
    }

    for (const auto& l : station.OperationHistory().Lines()) out << l.itemData << '\t' << l.text << '\n';
    out << "==\n";
    PrintLines(out, station.Lists().classStatus);
    out << "==\n";
    PrintLines(out, station.Lists().competitors);
    return status;
}

} // namespace quilo
