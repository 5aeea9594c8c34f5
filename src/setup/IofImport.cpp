#include "setup/IofImport.h"

#include "core/Cp932.h"
#include "core/Fields.h"
#include "core/Files.h"
#include "readers/CourseFile.h"
#include "readers/StartList.h"
#include "setup/IofSchema.h"

#include <sys/stat.h>

#include <cstring>
#include <map>
#include <memory>
#include <set>

namespace quilo {
namespace {

constexpr const char* kCourseFile = "Control.dat";
constexpr const char* kStartFile = "Startlst.dat";

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string Reason(const Error& e) {
    switch (e.kind) {
    case Error::Kind::System: return std::strerror(e.errnum);
    case Error::Kind::NotRegularFile: return "not a regular file";
    case Error::Kind::NoCp932Converter: return "the system has no CP932 converter";
    default: return "cannot be used";
    }
}

// Characters CP932 has no form for would turn into "?" in the file: refused instead.
bool Cp932Writable(const std::string& text) { return Cp932ToUtf8(Utf8ToCp932(text)) == text; }

int Characters(std::string_view text) {
    int n = 0;
    for (unsigned char ch : text)
        if ((ch & 0xC0) != 0x80) ++n;
    return n;
}

std::optional<std::string> ReadGiven(const std::string& path, std::vector<Refusal>& refusals) {
    Result<std::string> bytes = ReadFileBytes(path);
    if (!bytes) {
        refusals.push_back({path, 0, "cannot be read (" + Reason(bytes.Failure()) + "): give a file that can"});
        return std::nullopt;
    }
    return std::move(*bytes);
}

bool SchemaAccepts(std::string_view bytes, const std::string& path, std::vector<Refusal>& refusals) {
    const std::vector<SchemaProblem> problems = CheckIofSchema(bytes);
    for (const SchemaProblem& p : problems)
        refusals.push_back(
            {path, p.line, "not IOF XML 3.0 as the schema has it (" + p.message + "): export the file again as IOF XML 3.0"});
    return problems.empty();
}

// The finish log's card field is five characters: a card of another length is never read.
std::optional<std::string> CardProblem(const std::string& card) {
    const int chars = Characters(card);
    if (chars != 5)
        return "E-card " + card + " has " + std::to_string(chars) +
               " characters, and the finish log gives five: give a five-digit card";
    for (char ch : card)
        if (ch < '0' || ch > '9') return "E-card " + card + " is not a number: give a five-digit card";
    return std::nullopt;
}

struct CardLine {
    std::string card;
    int line = 0;
};

std::vector<CardLine> ReadCardList(const std::string& path, std::vector<Refusal>& refusals) {
    std::vector<CardLine> cards;
    const std::optional<std::string> bytes = ReadGiven(path, refusals);
    if (!bytes) return cards;
    const std::vector<std::string> lines = TextLines(*bytes, DetectEncoding(*bytes));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string card = TrimBlanks(lines[i]);
        if (card.empty()) continue;
        if (auto why = CardProblem(card)) refusals.push_back({path, static_cast<int>(i) + 1, *why});
        else cards.push_back({card, static_cast<int>(i) + 1});
    }
    return cards;
}

std::string Cp932File(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) bytes += Utf8ToCp932(line) + "\r\n";
    return bytes;
}

void CheckClassNames(const std::vector<CourseClass>& classes, const std::vector<int>& lines, const std::string& file,
                     std::vector<Refusal>& refusals) {
    for (std::size_t c = 0; c < classes.size(); ++c) {
        const std::string& name = classes[c].name;
        const int line = c < lines.size() ? lines[c] : 0;
        if (name.empty()) refusals.push_back({file, line, "a class has no name: name every class"});
        else if (name == "**")
            refusals.push_back({file, line, "class ** : the start list takes ** for a spare card: rename the class"});
        else if (!Cp932Writable(name))
            refusals.push_back({file, line, "class " + name + " has a character CP932 cannot write: rename the class"});
        else if (!ClassLine(classes[c]))
            refusals.push_back({file, line,
                                "class " + name + ": its \":\" and double quotes cannot be written so that " + kCourseFile +
                                    " gives the name back whole: rename the class"});
    }
}

std::string Describe(const CourseClass& c) {
    std::string out = c.name + ":";
    for (const Alternatives& a : c.positions)
        out += " " + std::to_string(a[0]) + "/" + std::to_string(a[1]) + "/" + std::to_string(a[2]);
    return out + " finish " + std::to_string(c.finish[0]) + "/" + std::to_string(c.finish[1]) + "/" +
           std::to_string(c.finish[2]);
}

std::string Describe(const StartRow& r) { return StartListLine(r).value_or(r.card + "," + r.className + ",..."); }

void WarningsAsDifferences(const char* file, const Warnings& warnings, std::vector<std::string>& diffs) {
    for (const auto& block : warnings) {
        std::string text = std::string(file) + " read back with a warning:";
        for (const std::string& l : block) text += " " + l;
        diffs.push_back(text);
    }
}

// The differences between what the readers made of the files and the plan; `starts`
// null when the start list is not compared.
std::vector<std::string> CompareTables(const Event& ev, const Warnings& course, const StartListRead* starts,
                                       const ImportPlan& plan) {
    std::vector<std::string> diffs;
    WarningsAsDifferences(kCourseFile, course, diffs);
    const std::vector<CourseClass> classes = CourseClassesOf(ev);
    if (classes.size() != plan.classes.size())
        diffs.push_back(std::string(kCourseFile) + " reads back " + std::to_string(classes.size()) + " classes, not " +
                        std::to_string(plan.classes.size()));
    for (std::size_t c = 0; c < classes.size() && c < plan.classes.size(); ++c)
        if (!(classes[c] == plan.classes[c]))
            diffs.push_back(std::string(kCourseFile) + " class " + std::to_string(c + 1) + " reads back as " +
                            Describe(classes[c]) + ", not " + Describe(plan.classes[c]));
    if (!starts) return diffs;
    WarningsAsDifferences(kStartFile, starts->warnings, diffs);
    const std::vector<StartRow> rows = StartRowsOf(ev);
    if (rows.size() != plan.rows.size())
        diffs.push_back(std::string(kStartFile) + " reads back " + std::to_string(rows.size()) + " rows, not " +
                        std::to_string(plan.rows.size()));
    for (std::size_t n = 0; n < rows.size() && n < plan.rows.size(); ++n)
        if (!(rows[n] == plan.rows[n]))
            diffs.push_back(std::string(kStartFile) + " row " + std::to_string(n + 1) + " reads back as " + Describe(rows[n]) +
                            ", not " + Describe(plan.rows[n]));
    return diffs;
}

void PlanRows(const ImportOptions& o, ImportPlan& plan, const std::string& courseSource, bool classesKnown) {
    std::vector<Refusal>& refusals = plan.refusals;
    const bool entryList = !o.entries.empty();
    const std::string& path = entryList ? o.entries : o.starts;
    std::vector<IofEntry> entries;
    if (const auto bytes = ReadGiven(path, refusals); bytes && SchemaAccepts(*bytes, path, refusals))
        entries = ReadIofEntries(*bytes, path, entryList ? IofKind::EntryList : IofKind::StartList, refusals);
    const std::vector<CardLine> spares = o.spareCards.empty() ? std::vector<CardLine>{} : ReadCardList(o.spareCards, refusals);
    const std::vector<CardLine> rentals =
        o.rentalCards.empty() ? std::vector<CardLine>{} : ReadCardList(o.rentalCards, refusals);

    std::map<std::string, std::size_t> classIndex;
    for (std::size_t c = 0; c < plan.classes.size(); ++c) classIndex.emplace(plan.classes[c].name, c);
    std::vector<std::vector<std::pair<StartRow, Identity>>> byClass(plan.classes.size());
    std::set<std::string> unknownClasses;
    std::map<std::string, std::string> holders; // card -> where it was first given
    std::size_t nextRental = 0;
    int rentalsWanted = 0;

    auto take = [&](const std::string& card, const std::string& where, const std::string& file, int line) {
        const auto [it, added] = holders.emplace(card, where);
        if (!added)
            refusals.push_back({file, line,
                                "E-card " + card + " is given twice (also " + it->second +
                                    "): give each competitor and spare card its own card"});
    };

    for (const IofEntry& e : entries) {
        const std::string where = path + ":" + std::to_string(e.line) + " " + e.name;
        StartRow row;
        row.className = e.className;
        row.name = e.name;
        row.club = e.club;
        row.bib = e.bib;
        row.extra = e.extra;
        row.start = e.start.value_or(Time());
        row.card = e.card;
        if (row.card.empty()) {
            ++rentalsWanted;
            if (nextRental < rentals.size()) {
                row.card = rentals[nextRental++].card;
                plan.notices.push_back("rental card " + row.card + ": " + e.name + " (" + e.className + ", " + path + ":" +
                                       std::to_string(e.line) + ")");
            } else if (o.rentalCards.empty()) {
                refusals.push_back({path, e.line,
                                    e.name + " has no E-card (a rental card wanted): give the rental cards with "
                                             "--rental-cards FILE"});
            } else {
                refusals.push_back({path, e.line,
                                    e.name + " has no E-card, and " + o.rentalCards + " has no card left (" +
                                        std::to_string(rentals.size()) + " for " + std::to_string(rentalsWanted) +
                                        " so far): add rental cards"});
            }
        } else if (auto why = CardProblem(row.card)) {
            refusals.push_back({path, e.line, e.name + ": " + *why + " (or none, and --rental-cards)"});
        }
        if (!row.card.empty()) take(row.card, where, path, e.line);
        if (!Cp932Writable(e.name))
            refusals.push_back({path, e.line, "the name " + e.name + " has a character CP932 cannot write: spell it so"});
        if (!Cp932Writable(e.club))
            refusals.push_back(
                {path, e.line, e.name + ": the club " + e.club + " has a character CP932 cannot write: spell it so"});
        const auto c = classIndex.find(e.className);
        if (c == classIndex.end()) {
            if (classesKnown && unknownClasses.insert(e.className).second)
                refusals.push_back({path, e.line,
                                    "class " + e.className + " (" + e.name + " and any others of it) is run on no course of " +
                                        courseSource + ": assign the class a course, or correct the entry's class"});
            continue;
        }
        if (entryList && o.firstStart)
            row.start = *o.firstStart +
                        Time(static_cast<std::int64_t>(o.interval) * static_cast<std::int64_t>(byClass[c->second].size()));
        if (!StartListLine(row))
            refusals.push_back({path, e.line,
                                e.name + ": a field holds \",\" and double quotes so that " + kStartFile +
                                    " cannot give it back whole: remove the double quotes"});
        byClass[c->second].emplace_back(std::move(row), e.ids);
    }
    for (const CardLine& s : spares) take(s.card, o.spareCards + ":" + std::to_string(s.line), o.spareCards, s.line);

    for (auto& rows : byClass)
        for (auto& [r, ids] : rows) {
            // The EntryList carries no bib: numbered in the order written.
            if (entryList) r.bib = static_cast<int>(plan.rows.size()) + 1;
            ids.bib = r.bib;
            ids.card = r.card;
            plan.identities.push_back(std::move(ids));
            plan.rows.push_back(std::move(r));
        }
    for (const CardLine& s : spares) plan.rows.push_back({s.card, true, "", Time(), 0, "", 0, ""});
}

} // namespace

ImportPlan PlanImport(const ImportOptions& o) {
    ImportPlan plan;
    std::vector<Refusal>& refusals = plan.refusals;
    const std::string coursePath = o.folder + "/" + kCourseFile, startPath = o.folder + "/" + kStartFile;
    plan.writeCourses = !o.courses.empty();
    plan.writeStarts = !o.entries.empty() || !o.starts.empty();

    if (plan.writeCourses) {
        std::vector<int> lines;
        if (const auto bytes = ReadGiven(o.courses, refusals); bytes && SchemaAccepts(*bytes, o.courses, refusals)) {
            plan.classes = ReadIofCourseData(*bytes, o.courses, o.finishCodes, refusals, &lines);
            CheckClassNames(plan.classes, lines, o.courses, refusals);
        }
        if (Exists(coursePath) && !o.force)
            refusals.push_back(
                {coursePath, 0,
                 "exists already: give --force to replace it (the old one is kept as " + std::string(kCourseFile) + ".bak)"});
    }
    // Entries of a class no course names are refused only when the courses were read.
    bool classesKnown = !plan.classes.empty();
    if (!plan.writeCourses && plan.writeStarts) {
        auto ev = std::make_unique<Event>();
        const Result<Warnings> read = ReadCourseFile(*ev, coursePath);
        if (!read)
            refusals.push_back(
                {coursePath, 0, "cannot be read (" + Reason(read.Failure()) + "): give the course data with --courses"});
        classesKnown = bool(read);
        plan.classes = CourseClassesOf(*ev);
    }

    if (plan.writeStarts) {
        PlanRows(o, plan, plan.writeCourses ? o.courses : coursePath, classesKnown);
        if (Exists(startPath) && !o.force)
            refusals.push_back(
                {startPath, 0,
                 "exists already: give --force to replace it (the old one is kept as " + std::string(kStartFile) + ".bak)"});
    } else if (plan.writeCourses && Exists(startPath) && refusals.empty()) {
        // The start list kept must still find its classes in the new course file.
        auto ev = std::make_unique<Event>();
        (void)ReadCourseText(*ev, Cp932File(CourseFileLines(plan.classes)));
        const Result<StartListRead> read = ReadStartList(*ev, startPath);
        if (read && read->undefinedClass)
            refusals.push_back({startPath, 0,
                                "names a class the new course data does not have: import the entries "
                                "too (--entries or --starts), or correct the class"});
    }
    return plan;
}

namespace {

// A file replaced only once written whole; an existing one first kept as FILE.bak.
Result<> Replace(const std::string& path, const std::string& bytes) {
    if (Exists(path)) {
        Result<std::string> old = ReadFileBytes(path);
        if (!old) return old.Failure();
        if (Result<> kept = ReplaceFileBytes(path + ".bak", *old); !kept) return kept;
    }
    return ReplaceFileBytes(path, bytes);
}

} // namespace

std::string CourseFileBytes(const ImportPlan& plan) { return Cp932File(CourseFileLines(plan.classes)); }
std::string StartListBytes(const ImportPlan& plan) { return Cp932File(StartListLines(plan.rows)); }

ImportOutcome RunImportJob(const ImportOptions& o) {
    ImportOutcome out;
    out.plan = PlanImport(o);
    if (!out.plan.refusals.empty()) return out;
    const ImportPlan& plan = out.plan;

    const std::string coursePath = o.folder + "/" + kCourseFile, startPath = o.folder + "/" + kStartFile;
    std::string courseBytes;
    if (plan.writeCourses) {
        courseBytes = CourseFileBytes(plan);
    } else {
        Result<std::string> kept = ReadFileBytes(coursePath);
        if (!kept) {
            out.failure = kept.Failure();
            return out;
        }
        courseBytes = std::move(*kept);
    }
    const std::string startBytes = plan.writeStarts ? StartListBytes(plan) : std::string();

    // Checked in memory first, so that a file that would read back wrong is never written.
    {
        auto ev = std::make_unique<Event>();
        const Warnings course = ReadCourseText(*ev, courseBytes);
        std::optional<StartListRead> starts;
        if (plan.writeStarts) starts = ReadStartListText(*ev, startBytes);
        out.differences = CompareTables(*ev, course, starts ? &*starts : nullptr, plan);
        if (!out.differences.empty()) return out;
    }

    struct Step {
        bool write;
        const std::string& path;
        const std::string& bytes;
    };
    for (const Step& step :
         {Step{plan.writeCourses, coursePath, courseBytes}, Step{plan.writeStarts, startPath, startBytes}}) {
        if (!step.write) continue;
        if (Result<> done = Replace(step.path, step.bytes); !done) {
            out.failure = done.Failure();
            return out;
        }
        out.written.push_back(step.path);
    }
    out.differences = CompareReadBack(o.folder, plan);
    if (!out.differences.empty() || !plan.writeStarts) return out;
    // The ids last: the event files stand without them.
    const std::string entriesPath = o.folder + "/Entries.xml";
    std::string folder = o.folder;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (Result<> done = ReplaceFileBytes(entriesPath, EntriesXmlBytes(plan, folder.substr(folder.find_last_of('/') + 1)));
        !done) {
        out.failure = done.Failure();
        return out;
    }
    out.written.push_back(entriesPath);
    return out;
}

std::vector<std::string> CompareReadBack(const std::string& folder, const ImportPlan& plan) {
    const std::string coursePath = folder + "/" + kCourseFile, startPath = folder + "/" + kStartFile;
    auto ev = std::make_unique<Event>();
    const Result<Warnings> course = ReadCourseFile(*ev, coursePath);
    if (!course) return {coursePath + " cannot be read back: " + Reason(course.Failure())};
    if (!plan.writeStarts) return CompareTables(*ev, *course, nullptr, plan);
    const Result<StartListRead> starts = ReadStartList(*ev, startPath);
    if (!starts) return {startPath + " cannot be read back: " + Reason(starts.Failure())};
    return CompareTables(*ev, *course, &*starts, plan);
}

} // namespace quilo
