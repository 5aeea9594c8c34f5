#include "core/Paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quilo {

bool FileExists(const std::string& path) {
    if (path.empty()) return false;
    // Without waiting, and regular files only: a FIFO would block the open (a hang at
    // start-up), and the readers cannot take a device either.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    return regular;
}

std::string AddBackslash(std::string_view path) {
    if (!path.empty() && (path.back() == '/' || path.back() == '\\')) return std::string(path);
    std::string out(path);
    out += '/';
    return out;
}

} // namespace quilo
