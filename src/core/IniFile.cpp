#include "core/IniFile.h"

#include "core/Cp932.h"
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
    fileName_ = path;
    std::string bytes;
    if (FileExists(path)) ReadFileBytes(path, bytes);
    else CreateEmptyFile(path);
    LoadText(bytes);
}

void IniFile::LoadText(std::string_view bytes) {
    values_.clear();
    keys_.clear();
    for (const auto& line : TextLines(bytes)) {
        std::string key, value;
        // A line without "=" and a repeated key have no meaning: skip them,
        // keeping the first occurrence.
        if (!ParseLine(line, key, value) || key.empty()) continue;
        if (values_.emplace(AsciiLower(key), value).second) keys_.push_back(key);
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
    IoResult r = ReplaceFileBytes(fileName_, SavedText());
    if (r) dirty_ = false;
    return r;
}

std::string IniFile::SavedText() const {
    std::string data;
    for (const auto& k : keys_) {
        data += Utf8ToCp932(k + "=" + values_.at(AsciiLower(k)));
        data += "\r\n";
    }
    return data;
}

} // namespace quilo
