#include "BenchEvent.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace quilo::bench {
namespace {

std::string g_event;
std::string g_marks;
std::vector<std::string> g_cleanup;

void Cleanup() {
    for (const auto& p : g_cleanup) {
        std::error_code ec;
        fs::remove_all(p, ec);
    }
}

std::string TempRoot() {
    static std::string root;
    if (root.empty()) {
        std::string pattern = (fs::temp_directory_path() / "quilo-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::exit(2);
        }
        root = pattern;
        g_cleanup.push_back(root);
        std::atexit(Cleanup);
    }
    return root;
}

} // namespace

void SetUpEvent(int& argc, char** argv) {
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--event=", 8) == 0) g_event = argv[i] + 8;
        else if (std::strncmp(argv[i], "--marks=", 8) == 0) g_marks = argv[i] + 8;
        else argv[out++] = argv[i];
    }
    argc = out;
    argv[argc] = nullptr;

    if (g_event.empty()) {
        if (const char* env = std::getenv("QUILO_BENCH_EVENT"); env && *env) g_event = env;
    }
    if (g_event.empty()) {
        g_event = TempRoot() + "/capacity-event";
        std::string cmd = "python3 '" QUILO_SOURCE_DIR "/bench/make_capacity_event.py' '" + g_event + "' >&2";
        if (std::system(cmd.c_str()) != 0) {
            std::fprintf(stderr, "cannot generate the capacity event: %s\n", cmd.c_str());
            std::exit(2);
        }
    }
    if (!g_marks.empty() && g_marks != "capacity" && g_marks != "large") {
        std::fprintf(stderr, "--marks=%s: the marks are those of capacity or large\n", g_marks.c_str());
        std::exit(2);
    }
    for (const char* f : {"Control.dat", "Startlst.dat", "Regnly.log"}) {
        if (!fs::exists(fs::path(g_event) / f)) {
            std::fprintf(stderr, "%s has no %s\n", g_event.c_str(), f);
            std::exit(2);
        }
    }
}

const std::string& EventFolder() { return g_event; }

const std::string& MarkSet() { return g_marks; }

bool PrintMark(const Mark& mark, const std::string& figure, double value) {
    const bool met = value <= mark.limit;
    std::printf("%s: %s (target <= %g %s: %s)\n", mark.what, figure.c_str(), mark.limit, mark.unit, met ? "met" : "MISSED");
    std::fflush(stdout);
    return met;
}

std::string ScratchFolder(const std::string& name) {
    fs::path p = fs::path(TempRoot()) / name;
    fs::remove_all(p);
    fs::create_directories(p);
    return p.string();
}

void CopyEvent(const std::string& to) {
    fs::remove_all(to);
    fs::create_directories(to);
    for (const char* f : {"Control.dat", "Startlst.dat", "Regnly.log", "Change.dat"}) {
        fs::path from = fs::path(g_event) / f;
        if (fs::exists(from)) fs::copy_file(from, fs::path(to) / f);
    }
}

} // namespace quilo::bench
