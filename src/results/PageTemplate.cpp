#include "results/PageTemplate.h"

#include <array>
#include <stdexcept>

namespace quilo {

struct PageTemplate::Node {
    enum class Kind { Text, Newline, Variable, Section, Inverted };
    Kind kind;
    std::string text; // Text and Newline
    int name = -1;    // Variable, Section, Inverted
    std::vector<Node> children;
};

bool PageTemplate::Scope::Value(int, std::string&) const { return false; }
bool PageTemplate::Scope::Section(int, const std::function<void(const Scope*)>&) const { return false; }

namespace {

using Node = PageTemplate::Node;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
    return s;
}

[[noreturn]] void Refuse(const std::string& why) { throw std::invalid_argument("page template: " + why); }

// Text up to the next tag: runs of text and each line end on its own.
void AddText(std::vector<Node>& nodes, std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", i);
        if (end != i) {
            const std::size_t stop = end == std::string_view::npos ? text.size() : end;
            nodes.push_back({Node::Kind::Text, std::string(text.substr(i, stop - i)), -1, {}});
            i = stop;
            continue;
        }
        const std::size_t len = text.compare(i, 2, "\r\n") == 0 ? 2 : 1;
        nodes.push_back({Node::Kind::Newline, std::string(text.substr(i, len)), -1, {}});
        i += len;
    }
}

// Escaped for HTML as the page always was: the control characters a file may carry
// (other than tab and line ends) are left out, as no page can show them.
constexpr std::array<bool, 256> kEscaped = [] {
    std::array<bool, 256> t{};
    for (int ch : {'&', '<', '>', '"', '\''}) t[static_cast<std::size_t>(ch)] = true;
    for (int ch = 0; ch < 0x20; ++ch) t[static_cast<std::size_t>(ch)] = ch != '\t' && ch != '\n' && ch != '\r';
    return t;
}();

// Escapes the end of `out` from `from` on, in place; nearly every value needs nothing.
void EscapeTail(std::string& out, std::size_t from) {
    std::size_t i = from;
    while (i < out.size() && !kEscaped[static_cast<unsigned char>(out[i])]) ++i;
    if (i == out.size()) return;
    const std::string raw = out.substr(i);
    out.resize(i);
    std::size_t run = 0;
    for (std::size_t k = 0; k < raw.size(); ++k) {
        const char ch = raw[k];
        if (!kEscaped[static_cast<unsigned char>(ch)]) continue;
        out.append(raw, run, k - run);
        run = k + 1;
        switch (ch) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: break; // a control character is left out
        }
    }
    out.append(raw, run, raw.size() - run);
}

class Renderer {
public:
    Renderer(const PageTemplate::Scope& root, ByteSink& out) : out_(out) { scopes_.push_back(&root); }

    void Nodes(const std::vector<Node>& nodes) {
        for (const Node& n : nodes) {
            switch (n.kind) {
            case Node::Kind::Text: line_ += n.text; break;
            case Node::Kind::Newline: EndLine(n.text); break;
            case Node::Kind::Variable: Variable(n.name); break;
            case Node::Kind::Section: Section(n); break;
            case Node::Kind::Inverted: Inverted(n); break;
            }
        }
    }

    // A line holding only blanks once a section's tag stood on it is left out whole.
    void EndLine(std::string_view lineEnd) {
        if (!(sectionTag_ && line_.find_first_not_of(" \t") == std::string::npos)) {
            line_ += lineEnd;
            out_.Write(line_);
        }
        line_.clear();
        sectionTag_ = false;
    }

private:
    void Variable(int name) {
        const std::size_t from = line_.size();
        for (auto it = scopes_.rbegin(); it != scopes_.rend(); ++it)
            if ((*it)->Value(name, line_)) {
                EscapeTail(line_, from);
                return;
            }
    }

    void Body(const Node& n, const PageTemplate::Scope* item) {
        sectionTag_ = true;
        if (item) scopes_.push_back(item);
        Nodes(n.children);
        if (item) scopes_.pop_back();
        sectionTag_ = true;
    }

    void Section(const Node& n) {
        const std::function<void(const PageTemplate::Scope*)> each = [&](const PageTemplate::Scope* item) { Body(n, item); };
        for (std::size_t i = scopes_.size(); i-- > 0;)
            if (scopes_[i]->Section(n.name, each)) return;
    }

    void Inverted(const Node& n) {
        int items = 0;
        const std::function<void(const PageTemplate::Scope*)> count = [&](const PageTemplate::Scope*) { ++items; };
        for (std::size_t i = scopes_.size(); i-- > 0;)
            if (scopes_[i]->Section(n.name, count)) break;
        if (items == 0) Body(n, nullptr);
    }

    ByteSink& out_;
    std::vector<const PageTemplate::Scope*> scopes_;
    std::string line_;
    bool sectionTag_ = false;
};

} // namespace

PageTemplate::PageTemplate(std::string_view text, std::span<const std::string_view> names) {
    auto nameOf = [&](std::string_view name) {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i] == name) return static_cast<int>(i);
        Refuse("unknown name " + std::string(name));
    };
    std::vector<std::vector<Node>*> open{&nodes_};
    std::vector<std::string_view> openNames;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t tag = text.find("{{", at);
        AddText(*open.back(), text.substr(at, tag == std::string_view::npos ? std::string_view::npos : tag - at));
        if (tag == std::string_view::npos) break;
        const std::size_t close = text.find("}}", tag + 2);
        if (close == std::string_view::npos) Refuse("unclosed tag");
        const std::string_view inner = Trim(text.substr(tag + 2, close - tag - 2));
        at = close + 2;
        if (inner.empty()) Refuse("empty tag");
        const char sigil = inner.front();
        const std::string_view name = Trim(inner.substr(1));
        switch (sigil) {
        case '!': break;
        case '#':
        case '^':
            open.back()->push_back({sigil == '#' ? Node::Kind::Section : Node::Kind::Inverted, {}, nameOf(name), {}});
            open.push_back(&open.back()->back().children);
            openNames.push_back(name);
            break;
        case '/':
            if (openNames.empty() || openNames.back() != name) Refuse("unopened section " + std::string(name));
            open.pop_back();
            openNames.pop_back();
            break;
        case '{':
        case '&':
        case '>':
        case '=': Refuse("unsupported tag " + std::string(inner));
        default: open.back()->push_back({Node::Kind::Variable, {}, nameOf(inner), {}});
        }
    }
    if (!openNames.empty()) Refuse("unclosed section " + std::string(openNames.back()));
}

PageTemplate::~PageTemplate() = default;

void PageTemplate::Render(const Scope& root, ByteSink& out) const {
    Renderer r(root, out);
    r.Nodes(nodes_);
    r.EndLine({});
}

} // namespace quilo
