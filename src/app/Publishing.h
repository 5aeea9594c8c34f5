#pragma once
// The uploader as the three programs set it up: the targets the settings name, the
// event folder's Outbox/ (or another), and the web host's files from the static site.
#include "serve/StaticSite.h"
#include "station/Report.h"
#include "station/Station.h"
#include "upload/Uploader.h"

#include <algorithm>
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

// quilo-report --publish: one send of the station's results to every target, waiting
// at most `timeoutSeconds`; the history gets the uploader's lines.
inline PublishOutcome PublishOnceNow(Station& station, int timeoutSeconds) {
    PublishOutcome outcome;
    UploaderOptions options = PublishingOptions(station.Settings(), station.PathOf("Outbox"));
    options.timeouts.totalSeconds = std::min<long>(options.timeouts.totalSeconds, timeoutSeconds);
    outcome.anyTarget = !options.targets.empty();
    Uploader uploader(std::move(options));
    uploader.Publish(station.Snapshot());
    uploader.WaitSent(std::chrono::seconds(timeoutSeconds));
    for (const Uploader::TargetStatus& s : uploader.Status())
        if (!s.upToDate) outcome.unreached.push_back(s.name + ": " + (s.reason.empty() ? "時間切れ" : s.reason));
    uploader.ReportTo(station.OperationHistory());
    return outcome;
}

} // namespace quilo
