#pragma once
// A target's folder in the event's Outbox/: the newest state still to send ("waiting")
// and what the target last accepted, each replaced whole (a kill leaves the old file or
// the new one, never a cut one). The outbox is a help, not a duty: a folder that cannot
// be written only loses what a restart would have resent.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace quilo {

class OutboxFolder {
public:
    explicit OutboxFolder(std::string folder) : folder_(std::move(folder)) {}
    const std::string& Path() const { return folder_; }
    std::optional<std::string> Read(std::string_view name) const;
    // Replaced whole through a temporary name. Only a `durable` file is synced to the
    // disk: the others, lost to a power cut, only make the next start send again.
    bool Write(std::string_view name, std::string_view bytes, bool durable = false);
    void Remove(std::string_view name);
    bool Has(std::string_view name) const;

private:
    std::string folder_;
};

// Holds a target's folder for this process (released when it ends, a kill included).
class OutboxLock {
public:
    explicit OutboxLock(std::string folder) : folder_(std::move(folder)) {}
    ~OutboxLock();
    OutboxLock(const OutboxLock&) = delete;
    OutboxLock& operator=(const OutboxLock&) = delete;
    // False while another process holds it (or the folder cannot be made: then nothing
    // could be kept, and sending from memory alone is still worth it, so that is true).
    bool TryLock();

private:
    std::string folder_;
    int fd_ = -1;
};

// Named texts in one file; a cut or foreign file reads as nothing.
using Blobs = std::map<std::string, std::string>;
std::string PackBlobs(const Blobs& blobs);
std::optional<Blobs> UnpackBlobs(std::string_view bytes);

// What decides whether a text must be sent again: its bytes, leaving out the moment the
// export was made (an XML file's createTime), which changes on every build.
std::string ContentHash(std::string_view bytes);

} // namespace quilo
