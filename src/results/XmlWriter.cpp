#include "results/XmlWriter.h"

#include <array>
#include <charconv>

namespace quilo {
namespace {

constexpr std::string_view kIndent = "  ";
// The text goes to the sink in pieces about this size.
constexpr std::size_t kFlushAt = 64 * 1024;

// A C string to pugixml: nothing after a NUL reaches the file.
std::string_view UpToNul(std::string_view s) { return s.substr(0, s.find('\0')); }

void AppendControl(std::string& out, unsigned char ch) {
    out += "&#";
    out += static_cast<char>('0' + ch / 10);
    out += static_cast<char>('0' + ch % 10);
    out += ';';
}

// Element text: markup characters as entities, control characters but tab and line
// ends as character references. Attribute values in double quotes: the quote, '&' and
// '<' as entities, every control character as a character reference; '>' stays.
struct EscapeTables {
    std::array<bool, 256> text{}, attribute{};
};
constexpr EscapeTables kEscapes = [] {
    EscapeTables t;
    for (int ch = 0; ch < 0x20; ++ch) {
        t.text[static_cast<std::size_t>(ch)] = ch != '\t' && ch != '\n' && ch != '\r';
        t.attribute[static_cast<std::size_t>(ch)] = true;
    }
    for (int ch : {'&', '<', '>'}) t.text[static_cast<std::size_t>(ch)] = true;
    for (int ch : {'&', '<', '"'}) t.attribute[static_cast<std::size_t>(ch)] = true;
    return t;
}();

void AppendEscaped(std::string& out, std::string_view s, const std::array<bool, 256>& escaped) {
    std::size_t run = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto ch = static_cast<unsigned char>(s[i]);
        if (!escaped[ch]) continue;
        out.append(s, run, i - run);
        run = i + 1;
        if (ch == '&') out += "&amp;";
        else if (ch == '<') out += "&lt;";
        else if (ch == '>') out += "&gt;";
        else if (ch == '"') out += "&quot;";
        else AppendControl(out, ch);
    }
    out.append(s, run, s.size() - run);
}

} // namespace

void XmlWriter::Flush() {
    if (buffer_.empty()) return;
    out_.Write(buffer_);
    buffer_.clear();
}

void XmlWriter::Written() {
    if (buffer_.size() >= kFlushAt) Flush();
}

void XmlWriter::Indent() {
    static const std::string blanks(64, ' ');
    std::size_t width = open_.size() * kIndent.size();
    for (; width > blanks.size(); width -= blanks.size()) buffer_ += blanks;
    buffer_.append(blanks, 0, width);
}

void XmlWriter::EndStartTag() {
    if (!open_.empty() && open_.back().startTagOpen) {
        buffer_ += ">\n";
        open_.back().startTagOpen = false;
    }
}

void XmlWriter::Declaration() {
    buffer_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
}

void XmlWriter::Open(std::string_view name) {
    EndStartTag();
    Indent();
    buffer_ += '<';
    buffer_ += name;
    open_.push_back({std::string(name), true});
}

void XmlWriter::Attribute(std::string_view name, std::string_view value) {
    buffer_ += ' ';
    buffer_ += name;
    buffer_ += "=\"";
    AppendEscaped(buffer_, UpToNul(value), kEscapes.attribute);
    buffer_ += '"';
}

void XmlWriter::Text(std::string_view name, std::string_view value) {
    EndStartTag();
    Indent();
    buffer_ += '<';
    buffer_ += name;
    value = UpToNul(value);
    if (value.empty()) {
        buffer_ += " />\n";
    } else {
        buffer_ += '>';
        AppendEscaped(buffer_, value, kEscapes.text);
        buffer_ += "</";
        buffer_ += name;
        buffer_ += ">\n";
    }
    Written();
}

void XmlWriter::Number(std::string_view name, long long value) {
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, value);
    Text(name, std::string_view(digits, static_cast<std::size_t>(r.ptr - digits)));
}

void XmlWriter::Close() {
    if (open_.empty()) return;
    Element e = std::move(open_.back());
    open_.pop_back();
    if (e.startTagOpen) {
        buffer_ += " />\n";
    } else {
        Indent();
        buffer_ += "</";
        buffer_ += e.name;
        buffer_ += ">\n";
    }
    Written();
}

} // namespace quilo
