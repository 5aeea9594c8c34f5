#pragma once
// Where the results go online, as the settings name them. A target is configured by
// settings read when present (never added to the file): none set, nothing is sent.
#include "core/IniFile.h"

#include <string>
#include <vector>

namespace quilo {

enum class TargetKind { Web, Iof, Mop };

struct UploadTarget {
    TargetKind kind = TargetKind::Web;
    std::string url;
    std::string user, password; // never shown anywhere
    std::string competition;    // the MOP receiver's competition id
    // Set when the settings cannot make a target (the first send reports it).
    std::string problem;

    // What the history calls it: the URL without user, password, query or fragment.
    std::string Name() const;
    // Its folder in the outbox.
    const char* Folder() const;
};

// The targets the settings configure, in the order web host, IOF XML service, MOP receiver.
std::vector<UploadTarget> UploadTargetsFrom(const IniFile& settings);

// The URL as shown: scheme, host, port and path, nothing a password could hide in.
std::string ShownUrl(const std::string& url);

} // namespace quilo
