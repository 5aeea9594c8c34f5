#pragma once
// The online results protocol's documents (MOP 1.0): the event as a receiver holds it,
// built from a results snapshot, written whole (MOPComplete) or as what changed since
// the receiver took the last one (MOPDiff); the receiver's reply; and the uploader's
// record of what the receiver holds. No network here.
#include "results/ResultsSnapshot.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quilo::mop {

// Times are tenths of a second.
struct Competitor {
    int id = 0; // competitor number + 1
    std::string name;
    int cls = 0;
    int org = 0; // 0: no club
    int stat = 0;
    long long st = 0; // start, from midnight of the event's day
    long long rt = 0; // running time, only with stat 1
    bool operator==(const Competitor&) const = default;
};

struct Class {
    int id = 0; // class index + 1
    int ord = 0;
    std::string name;
    bool operator==(const Class&) const = default;
};

struct Org {
    int id = 0;
    std::string name;
    bool operator==(const Org&) const = default;
};

// Each vector sorted by id.
struct Event {
    std::string name, date; // date "YYYY-MM-DD"
    std::vector<Class> classes;
    std::vector<Org> orgs;
    std::vector<Competitor> competitors;
    bool operator==(const Event&) const = default;
};

// The status codes.
inline constexpr int kNotBack = 0, kOk = 1, kMissingPunch = 3, kDidNotFinish = 4, kDisqualified = 5, kOverTime = 6,
                     kDidNotStart = 20, kNotCompeting = 99;

// Clubs numbered from 1 in the order they first appear, kept for the whole event so
// that a club keeps its id across restarts (the uploader saves them).
class ClubIds {
public:
    // 0 for an empty club.
    int IdOf(const std::string& club);
    // One club a line, in id order.
    std::string Save() const;
    // The clubs of the whole lines, up to the first line that is not one.
    static ClubIds Load(std::string_view text);
    int Count() const { return static_cast<int>(names_.size()); }

private:
    std::vector<std::string> names_; // [id - 1]
    std::unordered_map<std::string, int> ids_;
};

// The event as the snapshot shows it: every class, the clubs of the competitors sent,
// every competitor with a number.
Event FromSnapshot(const ResultsSnapshot& snap, ClubIds& clubs);
// The status code of a record, by the IOF export's reading of it.
int StatusCode(const EntryRecord& r, Time limit, Time now);

// A MOPComplete document of the whole event.
std::string Complete(const Event& now);
// A MOPDiff of the records new or changed since `accepted` (the competition only when
// its name or date changed); "" when nothing did. A diff cannot delete: when a record
// of `accepted` is gone from `now`, the answer is a MOPComplete of `now`.
std::string Diff(const Event& accepted, const Event& now);
// The receiver's verdict ("OK", "BADPWD", ...); nullopt when the body is not a
// MOPStatus reply.
std::optional<std::string> ReplyStatus(std::string_view body);

// The uploader's state file (UTF-8 text). A file cut short, or with any line not as
// Save writes it, loads as nullopt.
std::string Save(const Event& e);
std::optional<Event> Load(std::string_view text);

} // namespace quilo::mop
