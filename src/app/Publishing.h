#pragma once
// The uploader as the three programs set it up: the targets the settings name, the
// event folder's Outbox/ (or another), and the web host's files from the static site.
#include "serve/StaticSite.h"
#include "upload/Uploader.h"

#include <memory>
#include <string>

namespace quilo {

inline UploaderOptions PublishingOptions(const IniFile& settings, const std::string& outbox) {
    UploaderOptions o;
    o.outbox = outbox;
    o.targets = UploadTargetsFrom(settings);
    o.site = [](const ResultsSnapshot& snap) {
        std::vector<SiteFile> files;
        for (StaticFile& f : StaticSiteFiles(snap))
            files.push_back({std::move(f.path), std::move(f.contentType), std::move(f.bytes)});
        return files;
    };
    return o;
}

} // namespace quilo
