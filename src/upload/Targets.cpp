#include "upload/Targets.h"

#include "core/Fields.h"

namespace quilo {

std::string ShownUrl(const std::string& url) {
    std::string shown = url;
    if (const auto cut = shown.find_first_of("?#"); cut != std::string::npos) shown.erase(cut);
    const auto scheme = shown.find("://");
    const std::size_t hostAt = scheme == std::string::npos ? 0 : scheme + 3;
    const auto pathAt = shown.find('/', hostAt);
    const auto at = shown.rfind('@', pathAt == std::string::npos ? std::string::npos : pathAt);
    if (at != std::string::npos && at >= hostAt) shown.erase(hostAt, at + 1 - hostAt);
    return shown;
}

std::string UploadTarget::Name() const { return ShownUrl(url); }

const char* UploadTarget::Folder() const {
    switch (kind) {
    case TargetKind::Web: return "web";
    case TargetKind::Iof: return "iof";
    case TargetKind::Mop: return "mop";
    }
    return "web";
}

namespace {

bool HttpUrl(const std::string& url) {
    const auto starts = [&](const char* p) { return url.rfind(p, 0) == 0 && url.size() > std::string(p).size(); };
    return starts("http://") || starts("https://");
}

void Add(std::vector<UploadTarget>& out, const IniFile& s, TargetKind kind, const char* urlKey, const char* userKey,
         const char* passwordKey) {
    UploadTarget t;
    t.kind = kind;
    t.url = TrimBlanks(s.Item(urlKey));
    if (t.url.empty()) return;
    t.user = TrimBlanks(s.Item(userKey));
    t.password = s.Item(passwordKey);
    if (!HttpUrl(t.url)) t.problem = std::string(urlKey) + " は http:// か https:// で始まるURLにしてください";
    else if (t.url.find_first_of(" \t\r\n") != std::string::npos) t.problem = std::string(urlKey) + " に空白があります";
    // The web host's URL is a folder the files go into.
    if (kind == TargetKind::Web && t.url.back() != '/') t.url += '/';
    out.push_back(std::move(t));
}

} // namespace

std::vector<UploadTarget> UploadTargetsFrom(const IniFile& settings) {
    std::vector<UploadTarget> out;
    Add(out, settings, TargetKind::Web, "UploadUrl", "UploadUser", "UploadPassword");
    Add(out, settings, TargetKind::Iof, "IofUploadUrl", "IofUploadUser", "IofUploadPassword");
    Add(out, settings, TargetKind::Mop, "MopUrl", "MopCompetition", "MopPassword");
    for (UploadTarget& t : out) {
        if (t.kind == TargetKind::Mop) {
            t.competition = t.user; // the receiver's competition id rides in the user's place
            t.user.clear();
        }
    }
    return out;
}

} // namespace quilo
