#pragma once
// The identities kept in Entries.xml (an IOF XML 3.0 EntryList the import writes), and
// which of them a competitor of the results is: by bib when the bibs are unique, else by
// the card of the competitor's start-list row (so a spare card assigned later keeps it).
#include "core/Identity.h"
#include "core/Result.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quilo {

class Identities {
public:
    Identities() = default;
    explicit Identities(std::vector<Identity> people);
    bool Empty() const { return people_.empty(); }
    // The identity of a competitor, or null.
    const Identity* Of(int bib, std::string_view startListCard) const;
    // The class's ids (any person of the class names them), or null.
    const Identity* OfClass(std::string_view className) const;
    const std::vector<Identity>& People() const { return people_; }

private:
    std::vector<Identity> people_;
    bool byBib_ = true;
    std::map<int, std::size_t> bibs_;
    std::map<std::string, std::size_t, std::less<>> cards_, classes_;
};

// The file's name in the event folder.
inline constexpr const char* kEntriesFile = "Entries.xml";
// An EntryList's PersonEntry elements; the bib is the entry's Id of type "BibNumber".
Identities ParseIdentities(std::string_view bytes);
Result<Identities> ReadIdentities(const std::string& path);

} // namespace quilo
