#include "serve/Http.h"

namespace quilo {

ServeTarget ParseTarget(std::string_view target) {
    ServeTarget t;
    t.path = std::string(target.substr(0, target.find('?')));
    return t;
}

ServeResponse Answer(const std::shared_ptr<const Site>& site, const ServeRequest& request) {
    ServeResponse r;
    if (!site) return ErrorAnswer(503);
    if (ParseTarget(request.target).path == "/events") {
        r.eventStream = true;
        return r;
    }
    r.status = 404;
    return r;
}

ServeResponse ErrorAnswer(int status) {
    ServeResponse r;
    r.status = status;
    return r;
}

std::string EventFrame(std::uint64_t version) {
    return "id: " + std::to_string(version) + "\ndata: " + std::to_string(version) + "\n\n";
}

std::string_view KeepAliveFrame() { return ":\n\n"; }

} // namespace quilo
