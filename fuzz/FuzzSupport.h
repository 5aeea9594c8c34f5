#pragma once
// Shared by the fuzz targets: a scratch folder per process, files carved from the
// input, a small event to read logs and change records against, and checks that the
// readers kept to the tables.
#include "core/Event.h"
#include "core/History.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quilo::fuzz {

// A private folder, on tmpfs when there is one (the writers sync every file).
class Scratch {
public:
    static Scratch& Get();
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // Empties the folder (and gives write permission back), so every input starts alike.
    void Reset();
    void Write(const std::string& name, std::string_view bytes) const;
    void MakeFolder(const std::string& name) const;
    void Remove(const std::string& name) const;

private:
    Scratch();
    std::string path_;
};

// Splits at every `sep`, into at most `maxParts` parts (the last one keeps the rest).
std::vector<std::string_view> Split(std::string_view data, char sep, std::size_t maxParts);

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

Clock FixedClock();

// An event for the start list, the finish log and the change file: 60 classes (a plain
// course, a course that repeats a code and has two finish codes, one without positions,
// one of large and negative codes, one of all 31 positions with three alternatives each,
// then C6 to C60 of one control each), competitors with five-digit cards 10001.. (one
// in C11, one in C60), and spare rows 90001 to 90003. Built once, copied for every input.
const Event& TemplateEvent();
// The course file and start list the template is read from (also used as seeds).
extern const char* const kTemplateCourse;
extern const char* const kTemplateStartList;

// `to` = `from` at a fraction of the assignment's cost: of the records, only the slots up
// to either event's class counts are copied. Both must keep slots beyond their counts
// blank, which CheckTables makes sure of (run it last on every event reset this way).
void ResetEvent(Event& to, const Event& from);

// Aborts (a finding) when a table holds something the readers must never write:
// numbers out of range, cells beyond the limits, slot 0 or position 0 touched.
void CheckTables(const Event& ev);
// CheckTables without the walk over every slot beyond the counts (the costly part): for
// the checks between the steps, when a CheckTables comes last.
void CheckCounts(const Event& ev);

// True when both events hold the same records and punch times.
bool SameResults(const Event& a, const Event& b);

[[noreturn]] void Fail(const char* what);

} // namespace quilo::fuzz
