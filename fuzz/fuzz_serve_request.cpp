// The results server's request handling on any bytes: the input is the method, the
// target, Accept-Encoding, If-None-Match and Last-Event-ID, a line each. The target is
// parsed and answered over a site of the template event; nothing may throw or read out
// of bounds, and the answer must keep to what the socket side relies on.
#include "FuzzSupport.h"

#include "results/ExportCommon.h"
#include "serve/Http.h"

#include <string>
#include <string_view>

using namespace quilo;

namespace {

const std::shared_ptr<const Site>& TheSite() {
    static const std::shared_ptr<const Site> site = [] {
        ExportInfo info;
        info.eventName = "<fuzz> \"event\"";
        info.now = Time::Hms(12, 0, 0);
        info.limit = Time::Minutes(150);
        auto snap = std::make_shared<ResultsSnapshot>(TakeSnapshot(fuzz::TemplateEvent(), info));
        snap->serial = 3;
        return Site::Build(snap, nullptr);
    }();
    return site;
}

bool HasHeader(const ServeResponse& r, std::string_view name) {
    for (const auto& [key, value] : r.headers)
        if (key == name) return !value.empty();
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto parts = fuzz::Split(fuzz::AsText(data, size), '\n', 5);
    const auto part = [&](std::size_t i) { return i < parts.size() ? parts[i] : std::string_view(); };
    const ServeRequest request{part(0), part(1), part(2), part(3), part(4)};

    const ServeTarget target = ParseTarget(request.target);
    const bool numbered = target.route == ServeTarget::Route::Class || target.route == ServeTarget::Route::ApiClass;
    if (numbered != (target.classIndex >= 0)) fuzz::Fail("a class number off a class route");
    if (numbered && !target.path.ends_with("/" + std::to_string(target.classIndex)))
        fuzz::Fail("a class number the path does not spell");
    if (target.path.size() > request.target.size()) fuzz::Fail("decoding grew the path");

    const ServeResponse r = Answer(TheSite(), request);
    if (!HasHeader(r, "Content-Type") || !HasHeader(r, "Cache-Control") || !HasHeader(r, "Content-Security-Policy"))
        fuzz::Fail("an answer without its headers");
    if (r.headOnly != (request.method == "HEAD")) fuzz::Fail("head-only off a HEAD");
    switch (r.status) {
    case 200:
        if (!r.eventStream && r.Body().empty()) fuzz::Fail("a 200 without a body");
        break;
    case 304:
        if (!r.Body().empty()) fuzz::Fail("a 304 with a body");
        break;
    case 404:
    case 405: break;
    default: fuzz::Fail("an unexpected status");
    }
    if (r.eventStream != (r.status == 200 && target.route == ServeTarget::Route::Events)) fuzz::Fail("a stream off /events");
    // The view must point into the site the answer holds.
    if (!r.view.empty() && !r.site) fuzz::Fail("a body view without its site");
    return 0;
}
