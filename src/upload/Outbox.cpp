#include "upload/Outbox.h"

#include "core/Files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>

namespace quilo {

namespace {

constexpr std::string_view kMagic = "QUILO-OUTBOX 1\n";

bool MakeFolders(const std::string& path) {
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/') continue;
        const std::string part = path.substr(0, at);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    return true;
}

} // namespace

std::optional<std::string> OutboxFolder::Read(std::string_view name) const {
    Result<std::string> bytes = ReadFileBytes(folder_ + "/" + std::string(name));
    if (!bytes) return std::nullopt;
    return std::move(*bytes);
}

bool OutboxFolder::Write(std::string_view name, std::string_view bytes, bool durable) {
    if (!MakeFolders(folder_)) return false;
    return static_cast<bool>(ReplaceFileBytes(folder_ + "/" + std::string(name), bytes, durable));
}

void OutboxFolder::Remove(std::string_view name) { ::unlink((folder_ + "/" + std::string(name)).c_str()); }

bool OutboxFolder::Has(std::string_view name) const {
    struct stat st {};
    return ::stat((folder_ + "/" + std::string(name)).c_str(), &st) == 0;
}

OutboxLock::~OutboxLock() {
    if (fd_ >= 0) ::close(fd_);
}

bool OutboxLock::TryLock() {
    if (fd_ >= 0) return true;
    if (!MakeFolders(folder_)) return true;
    const int fd = ::open((folder_ + "/lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return !held;
    }
    fd_ = fd;
    return true;
}

std::string PackBlobs(const Blobs& blobs) {
    std::string out(kMagic);
    for (const auto& [name, bytes] : blobs) {
        out += name;
        out += '\t';
        out += std::to_string(bytes.size());
        out += '\n';
        out += bytes;
        out += '\n';
    }
    out += "END\n";
    return out;
}

std::optional<Blobs> UnpackBlobs(std::string_view bytes) {
    if (bytes.substr(0, kMagic.size()) != kMagic) return std::nullopt;
    bytes.remove_prefix(kMagic.size());
    Blobs blobs;
    for (;;) {
        if (bytes == "END\n") return blobs;
        const auto tab = bytes.find('\t');
        const auto eol = bytes.find('\n');
        if (tab == std::string_view::npos || eol == std::string_view::npos || tab > eol) return std::nullopt;
        std::size_t size = 0;
        const auto [end, ec] = std::from_chars(bytes.data() + tab + 1, bytes.data() + eol, size);
        if (ec != std::errc() || end != bytes.data() + eol || bytes.size() - eol - 1 < size + 1) return std::nullopt;
        if (bytes[eol + 1 + size] != '\n') return std::nullopt;
        blobs[std::string(bytes.substr(0, tab))] = std::string(bytes.substr(eol + 1, size));
        bytes.remove_prefix(eol + 2 + size);
    }
}

std::string ContentHash(std::string_view bytes) {
    std::uint64_t h = 1469598103934665603ULL;
    const auto mix = [&h](std::string_view part) {
        for (const unsigned char ch : part) {
            h ^= ch;
            h *= 1099511628211ULL;
        }
    };
    constexpr std::string_view kCreate = "createTime=\"";
    const auto at = bytes.find(kCreate);
    const auto close = at == std::string_view::npos ? at : bytes.find('"', at + kCreate.size());
    if (close != std::string_view::npos && at < 1024) {
        mix(bytes.substr(0, at));
        mix(bytes.substr(close));
    } else {
        mix(bytes);
    }
    char text[24];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

} // namespace quilo
