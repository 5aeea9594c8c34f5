#include "core/IniFile.h"

#include "core/Cp932.h"
#include "core/Fields.h"
#include "core/Paths.h"

namespace quilo {

IniFile::~IniFile() {
    // The station saves and reports before this; here only what nobody saved is tried.
    if (!fileName_.empty()) static_cast<void>(Save());
}

bool IniFile::ParseLine(std::string_view line, std::string& key, std::string& value) {
    auto eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    key = TrimBlanks(line.substr(0, eq));
    value = TrimBlanks(line.substr(eq + 1));
    return true;
}

Result<> IniFile::SetFileName(const std::string& path) {
    if (!fileName_.empty()) return Error::Of(Error::Kind::SettingsNamedTwice, path);
    fileName_ = path;
    std::string bytes;
    if (FileExists(path)) {
        if (Result<std::string> read = ReadFileBytes(path)) bytes = std::move(*read);
    } else {
        // Not made (a read-only folder): the settings are kept in memory.
        static_cast<void>(CreateEmptyFile(path));
    }
    LoadText(bytes);
    return {};
}

void IniFile::LoadText(std::string_view bytes) {
    values_.clear();
    keys_.clear();
    encoding_ = DetectEncoding(bytes);
    bom_ = HasUtf8Bom(bytes);
    for (const auto& line : TextLines(bytes, encoding_)) {
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
    if (!fileName_.empty()) static_cast<void>(AppendLine(fileName_, key + "=" + value, encoding_));
    keys_.push_back(key);
    values_.emplace(AsciiLower(key), value);
}

Result<> IniFile::Save() {
    if (!dirty_) return {};
    Result<> r = ReplaceFileBytes(fileName_, SavedText());
    if (r) dirty_ = false;
    return r;
}

std::string IniFile::SavedText() const {
    const bool utf8 = encoding_ == TextEncoding::Utf8;
    std::string data;
    for (const auto& k : keys_) {
        const std::string line = k + "=" + values_.at(AsciiLower(k));
        data += utf8 ? ValidUtf8(line) : Utf8ToCp932(line);
        data += "\r\n";
    }
    // Without its mark, UTF-8 is known only by bytes that are no CP932; a rewrite that
    // leaves none (a dropped line, a changed value) gets the mark, so it stays UTF-8.
    if (utf8 && (bom_ || DetectEncoding(data) != TextEncoding::Utf8)) data.insert(0, kUtf8Bom);
    return data;
}

} // namespace quilo
