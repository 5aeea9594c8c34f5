#include "serve/Site.h"

namespace quilo {

std::shared_ptr<const Site> Site::Build(std::shared_ptr<const ResultsSnapshot> snap, const std::shared_ptr<const Site>&) {
    auto site = std::make_shared<Site>();
    site->snapshot_ = std::move(snap);
    return site;
}

const SiteBody* Site::Find(std::string_view path) const {
    const auto it = bodies_.find(path);
    return it == bodies_.end() ? nullptr : it->second.get();
}

std::string Site::Changes(std::uint64_t) const { return "{}"; }

} // namespace quilo
