#pragma once
// quilo-import's work: IOF XML 3.0 files into Control.dat and Startlst.dat, every problem
// listed and nothing written when there is one, the files written read back and compared.
#include "core/Result.h"
#include "core/Time.h"
#include "setup/EventTables.h"
#include "setup/IofRead.h"

#include <optional>
#include <string>
#include <vector>

namespace quilo {

struct ImportOptions {
    std::string folder = {};
    std::string courses = {};              // CourseData file ("" = keep the folder's Control.dat)
    std::string entries = {}, starts = {}; // EntryList or StartList file ("" = none)
    std::optional<Time> firstStart = {};   // EntryList: the first start
    int interval = 0;                      // EntryList: seconds between starts in a class (0 = mass start)
    std::vector<int> finishCodes = {};     // for a finish without a numeric code
    std::string spareCards = {};           // one card a line, spare rows
    std::string rentalCards = {};          // one card a line, for entries without one
    bool force = false;                    // replace existing event files (the old ones kept as .bak)
};

// What the import means to write, worked out before anything is written.
struct ImportPlan {
    std::vector<Refusal> refusals; // nothing is written unless this is empty
    bool writeCourses = false, writeStarts = false;
    std::vector<CourseClass> classes; // the course file as it must read back
    std::vector<StartRow> rows;       // the start list as it must read back
    std::vector<std::string> notices; // the rental cards given, one line each
    std::vector<Identity> identities; // the competitors' ids, kept in Entries.xml
};
ImportPlan PlanImport(const ImportOptions& options);
// The bytes of the files the plan writes: CP932, each line ended by CR LF.
std::string CourseFileBytes(const ImportPlan& plan);
std::string StartListBytes(const ImportPlan& plan);
// Entries.xml: an IOF XML 3.0 EntryList of the imported competitors with the source
// files' ids (person, club, country, class), each entry's Id of type "BibNumber" its bib.
std::string EntriesXmlBytes(const ImportPlan& plan, const std::string& eventName);

struct ImportOutcome {
    ImportPlan plan;
    std::vector<std::string> written;     // paths, in the order written
    std::optional<Error> failure;         // a write that failed (files before it stay written)
    std::vector<std::string> differences; // the files read back differ from the plan
    bool Done() const { return plan.refusals.empty() && !failure && differences.empty(); }
};
// Plans, and when nothing is refused writes the files and reads them back.
ImportOutcome RunImportJob(const ImportOptions& options);

// What the written files read back as differs from the plan: one line per difference.
std::vector<std::string> CompareReadBack(const std::string& folder, const ImportPlan& plan);

} // namespace quilo
