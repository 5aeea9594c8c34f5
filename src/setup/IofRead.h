#pragma once
// IOF XML 3.0 course data, start lists and entry lists read into the rows of the event
// files, each problem named with its file and line.
#include "core/Identity.h"
#include "core/Time.h"
#include "setup/EventTables.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quilo {

// One reason an import writes nothing: where, and what to do about it.
struct Refusal {
    std::string file;
    int line = 0; // 0: the file as a whole
    std::string text;
    bool operator==(const Refusal&) const = default;
};
// "file:line: text" ("file: text" without a line).
std::string RefusalText(const Refusal& r);

// A whole number written as one: an optional minus and digits that fit 32 bits.
std::optional<int> WholeNumberText(std::string_view text);
// The local time of day of an xsd:dateTime ("2011-07-30T10:00:00+01:00" is 10:00:00;
// "Z" is turned into this computer's local time). Nullopt when it is no date and time
// or not a whole second.
std::optional<Time> LocalTimeOfDay(std::string_view dateTime);

// The three documents an import reads.
enum class IofKind { CourseData, StartList, EntryList };
const char* IofKindName(IofKind kind);

// CourseData -> the classes of Control.dat (see the man page for the rules).
// `classLines` gets the line each class was first named on.
std::vector<CourseClass> ReadIofCourseData(std::string_view bytes, const std::string& file,
                                           const std::vector<int>& finishCodes, std::vector<Refusal>& refusals,
                                           std::vector<int>* classLines = nullptr);

// A competitor of a StartList or an EntryList, before the cards and classes are checked
// against the rest of the import.
struct IofEntry {
    int line = 0;
    std::string className;
    std::string card; // empty: a rental card wanted
    std::optional<Time> start;
    int bib = 0;
    std::string name;
    int extra = 0;
    std::string club;
    // The ids to keep in Entries.xml (bib and card filled in once the rows are made).
    Identity ids;
};
std::vector<IofEntry> ReadIofEntries(std::string_view bytes, const std::string& file, IofKind kind,
                                     std::vector<Refusal>& refusals);

} // namespace quilo
