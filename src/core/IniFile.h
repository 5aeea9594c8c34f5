#pragma once
// The settings file: key=value lines, new keys appended at once, the whole file
// rewritten at Save only when a value that was already present changed. Written in
// the encoding it was found in (CP932, or UTF-8 as DetectEncoding tells).
#include "core/Cp932.h"
#include "core/Files.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quilo {

class IniFileError : public std::runtime_error {
public:
    IniFileError(std::uint32_t number, const std::string& message) : std::runtime_error(message), number_(number) {}
    std::uint32_t Number() const { return number_; }

private:
    std::uint32_t number_;
};

class IniFile {
public:
    static constexpr std::uint32_t kFileNameSetTwice = 0x80040001u;

    IniFile() = default;
    ~IniFile();  // saves when dirty
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    const std::string& FileName() const { return fileName_; }
    // May be set once; loads the file, or creates it empty. Throws IniFileError on a second call.
    void SetFileName(const std::string& path);
    // Takes the keys and values of a settings file's bytes, with no file behind them
    // (new keys are then kept in memory only).
    void LoadText(std::string_view bytes);

    std::string Item(std::string_view key) const;
    void SetItem(std::string_view key, std::string_view value);

    // Rewrites the file when dirty (replaced only once written whole).
    IoResult Save();
    // The bytes Save writes (CR LF, in the file's encoding).
    std::string SavedText() const;
    bool Dirty() const { return dirty_; }
    // The encoding the last load found.
    TextEncoding Encoding() const { return encoding_; }
    const std::vector<std::string>& Keys() const { return keys_; }

    static bool ParseLine(std::string_view line, std::string& key, std::string& value);

private:
    std::string fileName_;
    std::unordered_map<std::string, std::string> values_;  // folded key -> value
    std::vector<std::string> keys_;                        // first spelling, in order
    bool dirty_ = false;
    TextEncoding encoding_ = TextEncoding::Cp932;
    bool bom_ = false;
};

} // namespace quilo
