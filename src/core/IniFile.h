#pragma once
// The settings file: key=value lines, new keys appended at once, the whole file
// rewritten at Save only when a value that was already present changed. Written in
// the encoding it was found in (CP932, or UTF-8 as DetectEncoding tells).
#include "core/Cp932.h"
#include "core/Files.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quilo {

class IniFile {
public:
    IniFile() = default;
    ~IniFile(); // saves when dirty
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    const std::string& FileName() const { return fileName_; }
    // May be set once (a second name is refused, and changes nothing); loads the file, or
    // creates it empty. A file that cannot be read or made gives no settings: the values
    // set are then held in memory, as for a file that is not there.
    Result<> SetFileName(const std::string& path);
    // Takes the keys and values of a settings file's bytes, with no file behind them
    // (new keys are then kept in memory only).
    void LoadText(std::string_view bytes);

    std::string Item(std::string_view key) const;
    void SetItem(std::string_view key, std::string_view value);

    // Rewrites the file when dirty (replaced only once written whole).
    Result<> Save();
    // The bytes Save writes (CR LF, in the file's encoding).
    std::string SavedText() const;
    bool Dirty() const { return dirty_; }
    // The encoding the last load found.
    TextEncoding Encoding() const { return encoding_; }
    const std::vector<std::string>& Keys() const { return keys_; }

    static bool ParseLine(std::string_view line, std::string& key, std::string& value);

private:
    std::string fileName_;
    std::unordered_map<std::string, std::string> values_; // folded key -> value
    std::vector<std::string> keys_;                       // first spelling, in order
    bool dirty_ = false;
    TextEncoding encoding_ = TextEncoding::Cp932;
    bool bom_ = false;
};

} // namespace quilo
