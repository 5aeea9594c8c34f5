#pragma once
// The site's pages and JSON, made from the templates compiled in. A class's parts are
// made from the class alone (and the page-wide details), so the site can keep them
// while the class does not change; the pages over all classes join those parts.
#include "results/ResultsSnapshot.h"
#include "serve/Site.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quilo::serve {

// Where a competitor stands, each in exactly one: absent (DNS); finished, with a result
// or a read card (a code such as MP or DNF counts: the runner is back); out, started by
// the snapshot's clock and neither; to start, not yet started by it.
enum class Standing { Finished, Out, ToStart, Absent };

struct ClassCounts {
    int finished = 0, out = 0, toStart = 0, absent = 0;
};

// What the lists of latest finishers show of one.
struct Finisher {
    Time at; // the time of day of the finish
    int classIndex = 0;
    int order = 0; // in the class, to keep equal times in a fixed order
    std::string className, place, name, club, time, behind, leader, status;
};

// A competitor's columns, worded as the results page words them.
struct RowView {
    const CompetitorResult* cr = nullptr;
    Standing standing = Standing::ToStart;
    std::string place, time, behind, status, start;
    std::optional<Time> finishAt;
};

struct ClassView {
    const ClassResult* cls = nullptr;
    int index = 0;
    std::optional<Time> leader; // the best time among those placed
    bool hasStatus = false;     // some row has a status (else the phone folds the column)
    ClassCounts counts;
    std::vector<RowView> rows;
};

ClassView MakeClassView(const ExportInfo& info, const ClassResult& cls, int index);

// At most `limit` finishers of the class, newest first by the time of day of the finish:
// the start plus the finish punch, or plus the running time without one (a result typed
// in); a result without a time (a code alone) has no finish to show.
std::vector<Finisher> LatestFinishers(const ClassView& view, std::size_t limit);
// Newest first over every class's list, at most `limit`.
std::vector<Finisher> MergeLatest(const std::vector<const std::vector<Finisher>*>& lists, std::size_t limit);

struct ClassLine {
    int index = 0;
    std::string name;
    int count = 0;
    ClassCounts counts;
    std::uint64_t version = 0;
};

std::string ClassPage(const ResultsSnapshot& snap, const ClassView& view, std::uint64_t version);
std::string ScreenPart(const ClassView& view);
std::string SpeakerPart(const ClassView& view);
std::string IndexPage(const ResultsSnapshot& snap, const std::vector<ClassLine>& classes, std::uint64_t version);
// The same two pages as files of the static copy: links relative to where each lies
// (the index at the top, a class page in class/), no script and no version.
std::string StaticIndexPage(const ResultsSnapshot& snap, const std::vector<ClassLine>& classes);
std::string StaticClassPage(const ResultsSnapshot& snap, const ClassView& view);
// The pages over every class are these two texts with the classes' parts between.
struct PageFrame {
    std::string head, tail;
};
PageFrame ScreenFrame(const ResultsSnapshot& snap, const std::vector<Finisher>& latest, std::uint64_t version);
PageFrame SpeakerFrame(const ResultsSnapshot& snap, const std::vector<Finisher>& latest, std::uint64_t version);

// The JSON of the API (docs/api.md).
std::string CompetitorJson(const ClassView& view, const RowView& row);
// A competitor's JSON with its version spliced in before the closing brace.
void AppendWithVersion(std::string& out, const std::string& json, std::uint64_t changedAt);
// Without a version (the static copy) neither the answer nor its classes or competitors
// carry one.
std::string ClassJson(const ClassView& view, const std::vector<Site::CompetitorVersion>& competitors,
                      std::optional<std::uint64_t> version);
std::string ClassesJson(const ResultsSnapshot& snap, const std::vector<ClassLine>& classes,
                        std::optional<std::uint64_t> version);

// The compiled-in static files.
std::string_view ScriptFile();
std::string_view StyleFile();

} // namespace quilo::serve
