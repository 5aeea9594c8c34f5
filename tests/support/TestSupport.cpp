#include "TestSupport.h"

#include "core/Cp932.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <unistd.h>

namespace quilo::test {

TempDir::TempDir() : TempDir(std::filesystem::temp_directory_path().string()) {}

TempDir::TempDir(const std::string& base) {
    std::string tmpl = (std::filesystem::path(base) / "quilo-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string MemoryBackedTemp() {
    std::error_code ec;
    if (std::filesystem::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0) return "/dev/shm";
    return std::filesystem::temp_directory_path().string();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string Cp932Bytes(const Strings& lines, bool endLastLine) {
    std::string data;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        data += Utf8ToCp932(lines[i]);
        if (i + 1 < lines.size() || endLastLine) data += "\r\n";
    }
    return data;
}

void WriteCp932(const std::string& path, const std::vector<std::string>& lines, bool endLastLine) {
    WriteBytes(path, Cp932Bytes(lines, endLastLine));
}

void WriteEventFiles(const TempDir& dir, const EventFiles& files) {
    const std::pair<const char*, const Strings*> named[] = {{"Control.dat", &files.course},
                                                            {"Startlst.dat", &files.startList},
                                                            {"Change.dat", &files.changes},
                                                            {"Regnly.log", &files.finishLog}};
    for (const auto& [name, lines] : named)
        if (!lines->empty()) WriteCp932(dir.File(name), *lines);
}

std::string GoldenPath(const std::string& name) { return std::string(QUILO_TEST_DATA) + "/golden/" + name; }

std::string CompareWithGolden(const Strings& lines, const std::string& name) {
    const std::string path = GoldenPath(name);
    const std::string bytes = Cp932Bytes(lines);
    const char* update = std::getenv("QUILO_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        WriteBytes(path, bytes);
        return {};
    }
    if (!std::filesystem::exists(path)) return path + ": missing (QUILO_UPDATE_GOLDEN=1 writes it)";
    const std::string golden = ReadBytes(path);
    if (golden == bytes) return {};
    std::ostringstream out;
    out << path << " differs";
    Strings expected;
    try {
        expected = ReadCp932Lines(path);
    } catch (const std::exception& e) {
        return out.str() + ": " + e.what();
    }
    for (std::size_t i = 0; i < std::max(expected.size(), lines.size()); ++i) {
        const std::string want = i < expected.size() ? expected[i] : "(no line)";
        const std::string got = i < lines.size() ? lines[i] : "(no line)";
        if (want != got) out << "\nline " << i + 1 << "\n  expected [" << want << "]\n  actual   [" << got << "]";
    }
    return out.str();
}

std::vector<std::string> SplitOn(const std::string& text, std::string_view separator) {
    std::vector<std::string> pieces;
    std::size_t at = 0;
    for (std::size_t e; (e = text.find(separator, at)) != std::string::npos; at = e + separator.size())
        pieces.push_back(text.substr(at, e - at));
    pieces.push_back(text.substr(at));
    return pieces;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> ReadCp932Lines(const std::string& path) {
    std::string bytes = ReadBytes(path);
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find("\r\n", pos);
        if (end == std::string::npos) throw std::runtime_error(path + ": last line has no CR LF");
        std::string raw = bytes.substr(pos, end - pos);
        if (raw.find('\n') != std::string::npos || raw.find('\r') != std::string::npos)
            throw std::runtime_error(path + ": bare CR or LF");
        lines.push_back(Cp932ToUtf8(raw));
        pos = end + 2;
    }
    return lines;
}

} // namespace quilo::test
