#include "core/IniFile.h"

#include "core/General.h"

namespace quilo {

IniFile::~IniFile() {
    if (!fileName_.empty()) Save();
}

bool IniFile::ParseLine(std::string_view line, std::string& key, std::string& value) {
    auto eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    key = TrimBlanks(line.substr(0, eq));
    value = TrimBlanks(line.substr(eq + 1));
    return true;
}

void IniFile::SetFileName(const std::string& path) {
    if (!fileName_.empty())
        throw IniFileError(kFileNameSetTwice, "FileName プロパティは１回のみ設定可能です。");
    values_.clear();
    keys_.clear();
    fileName_ = path;
    if (FileExists(path)) {
        std::vector<std::string> lines;
        ReadTextLines(path, lines);
        for (const auto& line : lines) {
            std::string key, value;
            // A line without "=" and a repeated key have no meaning: skip them,
            // keeping the first occurrence.
            if (!ParseLine(line, key, value) || key.empty()) continue;
            if (values_.emplace(AsciiLower(key), value).second) keys_.push_back(key);
        }
    } else {
        CreateEmptyFile(path);
    }
    dirty_ = false;
}

std::string IniFile::Item(std::string_view key) const {
    auto it = values_.find(AsciiLower(TrimBlanks(key)));
    return it == values_.end() ? std::string() : it->second;
}

void IniFile::SetItem(std::string_view rawKey, std::string_view rawValue) {
    std::string key = TrimBlanks(rawKey), value = TrimBlanks(rawValue);
    auto it = values_.find(AsciiLower(key));
    if (it != values_.end()) {
        it->second = value;
        dirty_ = true;
        return;
    }
    // A failed append is ignored: the value is still held in memory.
    if (!fileName_.empty()) AppendLine(fileName_, key + "=" + value);
    keys_.push_back(key);
    values_.emplace(AsciiLower(key), value);
}

IoResult IniFile::Save() {
    if (!dirty_) return IoResult::Ok(fileName_);
    std::vector<std::string> lines;
    lines.reserve(keys_.size());
    for (const auto& k : keys_) lines.push_back(k + "=" + values_.at(AsciiLower(k)));
    IoResult r = ReplaceFile(fileName_, lines);
    if (r) dirty_ = false;
    return r;
}

} // namespace quilo
