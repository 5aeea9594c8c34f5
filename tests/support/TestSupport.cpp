#include "TestSupport.h"

#include "core/Cp932.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quilo::test {

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quilo-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void WriteCp932(const std::string& path, const std::vector<std::string>& lines, bool endLastLine) {
    std::string data;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        data += Utf8ToCp932(lines[i]);
        if (i + 1 < lines.size() || endLastLine) data += "\r\n";
    }
    WriteBytes(path, data);
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
