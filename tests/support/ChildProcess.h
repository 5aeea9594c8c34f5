#pragma once
// Runs a piece of a test in a child process: for limits that must not reach the test
// runner itself (a file size limit) and for dropping root, so that permission bits
// bind as they do for an operator.
#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace quilo::test {

// The uid and gid the child takes when the tests run as root (the "nobody" account).
constexpr uid_t kUnprivilegedId = 65534;

// Runs `body` in a forked child and returns what it returned: "" for success, or a
// description of what went wrong. A child that dies is described by its status.
// With `unprivileged`, a child of root gives up root before running `body`.
inline std::string InChild(const std::function<std::string()>& body, bool unprivileged = false) {
    int fds[2];
    if (::pipe(fds) != 0) return "pipe failed";
    pid_t pid = ::fork();
    if (pid < 0) return "fork failed";
    if (pid == 0) {
        ::close(fds[0]);
        std::string out;
        if (unprivileged && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kUnprivilegedId) != 0 || ::setuid(kUnprivilegedId) != 0))
            out = "cannot drop root";
        else out = body();
        std::size_t done = 0;
        while (done < out.size()) {
            ssize_t n = ::write(fds[1], out.data() + done, out.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        // _exit: no exit handlers, no leak check of the parent's objects in the child.
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string text;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0) text.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFSIGNALED(status)) return text + " [child killed by signal " + std::to_string(WTERMSIG(status)) + "]";
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return text + " [child failed]";
    return text;
}

} // namespace quilo::test
