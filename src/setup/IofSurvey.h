#pragma once
// What a folder without event files holds of IOF XML, for the window's offer to import it.
#include "setup/IofImport.h"

#include <optional>
#include <string>
#include <vector>

namespace quilo {

// One IOF XML file of the folder, known by its root element.
struct IofFileSummary {
    std::string name = {}; // the file's name in the folder
    IofKind kind = IofKind::CourseData;
    int classes = 0, courses = 0, competitors = 0;
    bool operator==(const IofFileSummary&) const = default;
};

struct FolderSurvey {
    std::string folder = {};
    bool hasEventFiles = false;              // Control.dat or Startlst.dat is there
    std::vector<IofFileSummary> files = {};  // by name; other XML files are left out
    std::optional<std::size_t> courses = {}; // the file the import takes for each role
    std::optional<std::size_t> entries = {}; // a StartList before an EntryList
    // Worth asking: no event files, and something to import.
    bool Offer() const { return !hasEventFiles && (courses || entries); }
    // The import of the chosen files; the EntryList's times and the finish codes come from
    // the operator.
    ImportOptions Options() const;
};

// Reads only the names and root elements of *.xml (and the counts); a file that is not
// XML is left out. Entries.xml and E_Start.xml are Quilo's own output, never a source.
FolderSurvey SurveyFolder(const std::string& folder);

} // namespace quilo
