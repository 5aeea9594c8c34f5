#pragma once
// A competitor's identities in the sport's own files (person, club and class ids), kept
// from an import so the result list can carry them.
#include <string>
#include <utility>
#include <vector>

namespace quilo {

struct Identity {
    std::vector<std::pair<std::string, std::string>> personIds; // (type, id); type may be empty
    std::string family, given;
    std::string orgId, orgName, orgShortName, countryCode, countryName;
    std::string classId, className, classShortName;
    int bib = 0;
    std::string card; // as the start list spells it
    bool operator==(const Identity&) const = default;
};

} // namespace quilo
