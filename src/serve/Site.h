#pragma once
// Every page and answer the results server gives for one snapshot, made once when the
// snapshot arrives and shared by every request until the next one: no request renders.
// Immutable once built, so it is read from the server's threads as it is.
#include "results/ResultsSnapshot.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quilo {

// One response body as sent, with its gzip form (empty when gzip would not be smaller).
struct SiteBody {
    std::string contentType;
    std::string plain;
    std::string gzip;
    // The version the body was made at: a body kept from an older site keeps its own,
    // so its ETag still matches what a client holds (static files: 0, the program's).
    std::uint64_t version = 0;
};

class Site {
public:
    // Renders every page of `snap`. With `previous` (the site of the snapshot before),
    // a class whose results did not change shares its bodies, and each competitor keeps
    // the version it last changed at (for the changes-since answer).
    static std::shared_ptr<const Site> Build(std::shared_ptr<const ResultsSnapshot> snap,
                                             const std::shared_ptr<const Site>& previous);

    // The snapshot's serial: the version the events stream and the ETags carry.
    std::uint64_t Version() const { return snapshot_->serial; }
    const ResultsSnapshot& Snapshot() const { return *snapshot_; }

    // The body for a path without its query ("/", "/class/3", "/api/v1/classes", …);
    // null for a path the site has no page for. `/api/v1/changes` is answered by Changes.
    const SiteBody* Find(std::string_view path) const;
    // The JSON of the competitors changed after `since` (all of them, marked so, when
    // `since` is older than this site's history reaches).
    std::string Changes(std::uint64_t since) const;

    // For Build.
    Site() = default;

    struct CompetitorVersion {
        std::string json; // the competitor as the API gives it
        std::uint64_t changedAt = 0;
    };

    // A class's parts, kept by the next site while the class does not change.
    struct ClassParts;
    // The result exports, made on first asking and kept while the export serial stays.
    struct Exports;

private:
    std::shared_ptr<const ResultsSnapshot> snapshot_;
    std::map<std::string, std::shared_ptr<const SiteBody>, std::less<>> bodies_;
    std::vector<std::shared_ptr<const ClassParts>> classes_;
    std::shared_ptr<Exports> exports_;
    std::uint64_t baseline_ = 0; // the oldest version `Changes` can answer from
};

} // namespace quilo
