#include "Publishing.h"
#include "station/Report.h"
#include "station/Station.h"

#include <iostream>

int main(int argc, char** argv) {
    using namespace quilo;
    std::vector<std::string> args(argv + 1, argv + argc);
    const PublishOnce publish = [](Station& station, int timeoutSeconds) {
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
    };
    return RunReport(args, std::cout, std::cerr, publish);
}
