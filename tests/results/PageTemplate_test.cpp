// The page template renderer against the mustache library the page was first made with:
// random templates (text, blanks and line ends, variables, sections and inverted sections
// over flags and lists, nested, alone on their lines or not) over random values must
// render to the same bytes; and what the renderer does not know is refused up front.
#include "results/PageTemplate.h"

#include <gtest/gtest.h>
#include <kainjow/mustache.hpp>

#include <array>
#include <map>
#include <random>
#include <stdexcept>

namespace quilo {
namespace {

namespace mu = kainjow::mustache;

// Names 0-2 hold text, 3-4 flags, 5-6 lists, as the page's names hold one kind each.
constexpr std::array<std::string_view, 7> kNames = {"s0", "s1", "s2", "f3", "f4", "l5", "l6"};

struct Values {
    std::map<int, std::string> texts;
    std::map<int, bool> flags;
    std::map<int, std::vector<Values>> lists;
};

mu::data ToData(const Values& v) {
    mu::data d;
    for (const auto& [name, text] : v.texts) d.set(std::string(kNames[name]), text);
    for (const auto& [name, flag] : v.flags) d.set(std::string(kNames[name]), mu::data(flag));
    for (const auto& [name, items] : v.lists) {
        mu::data list(mu::data::type::list);
        for (const Values& item : items) list.push_back(ToData(item));
        d.set(std::string(kNames[name]), list);
    }
    return d;
}

struct ValuesScope final : PageTemplate::Scope {
    explicit ValuesScope(const Values& values) : v(values) {}
    bool Value(int name, std::string& out) const override {
        const auto it = v.texts.find(name);
        if (it == v.texts.end()) return false;
        out += it->second;
        return true;
    }
    bool Section(int name, const std::function<void(const Scope*)>& each) const override {
        if (const auto f = v.flags.find(name); f != v.flags.end()) {
            if (f->second) each(nullptr);
            return true;
        }
        if (const auto l = v.lists.find(name); l != v.lists.end()) {
            for (const Values& item : l->second) {
                const ValuesScope scope(item);
                each(&scope);
            }
            return true;
        }
        return false;
    }
    const Values& v;
};

// The page's escaping as it was given to the library.
std::string LibraryEscape(const std::string& s) {
    std::string kept;
    for (char ch : s)
        if (static_cast<unsigned char>(ch) >= 0x20 || ch == '\t' || ch == '\n' || ch == '\r') kept += ch;
    return mu::html_escape(kept);
}

class Random {
public:
    explicit Random(unsigned seed) : rng_(seed) {}
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    std::string Text() {
        static const char* const pieces[] = {"x", "<td>", " ", "\t", "\n", "\r\n", "\r", "&", "'\"", "\x01", "山"};
        std::string s;
        for (int i = Below(4); i > 0; --i) s += pieces[Below(11)];
        return s;
    }

    Values Data(int depth) {
        Values v;
        for (int name = 0; name < 3; ++name)
            if (Below(4) != 0) v.texts[name] = Text();
        for (int name = 3; name < 5; ++name)
            if (Below(4) != 0) v.flags[name] = Below(2) != 0;
        for (int name = 5; name < 7; ++name)
            if (depth < 3 && Below(3) != 0) {
                std::vector<Values>& items = v.lists[name];
                for (int i = Below(4); i > 0; --i) items.push_back(Data(depth + 1));
            }
        return v;
    }

    std::string Template(int depth) {
        static const char* const texts[] = {"x", "<li>", " ", "\t", "\n", "\n", "\r\n", "  \n", "山"};
        std::string t;
        for (int i = Below(7); i > 0; --i) {
            switch (Below(depth < 3 ? 5 : 3)) {
            case 0: t += texts[Below(9)]; break;
            case 1: t += Below(2) ? "{{s" + std::to_string(Below(3)) + "}}" : "{{ s" + std::to_string(Below(3)) + " }}"; break;
            case 2: t += Below(4) ? "\n" : "{{! a note }}"; break;
            default: {
                const std::string name = std::string(kNames[3 + Below(4)]);
                const bool ownLines = Below(2) != 0; // tags alone on their lines, maybe indented
                const std::string lead = ownLines ? (Below(2) ? "\n" : "\n  ") : "";
                const std::string trail = ownLines ? "\n" : "";
                t += lead + (Below(3) ? "{{#" : "{{^") + name + "}}" + trail + Template(depth + 1) + lead + "{{/" + name +
                     "}}" + trail;
            }
            }
        }
        return t;
    }

private:
    std::mt19937 rng_;
};

TEST(PageTemplate, RendersWhatTheMustacheLibraryRenders) {
    for (unsigned seed = 1; seed <= 1500; ++seed) {
        Random random(seed);
        const std::string text = random.Template(0);
        const Values values = random.Data(0);

        mu::mustache library{text};
        ASSERT_TRUE(library.is_valid()) << library.error_message() << "\n" << text;
        library.set_custom_escape(LibraryEscape);
        const std::string want = library.render(ToData(values));

        const PageTemplate page(text, kNames);
        std::string got;
        StringSink sink(got);
        page.Render(ValuesScope(values), sink);
        ASSERT_EQ(got, want) << "seed " << seed << ", template:\n" << text;
    }
}

TEST(PageTemplate, RefusesWhatItCannotRender) {
    const char* const refused[] = {
        "{{{s0}}}",    "{{&s0}}", "{{>part}}",      "{{=<% %>=}}", "{{unknown}}",
        "{{#l5}}open", "{{/l5}}", "{{#l5}}{{/l6}}", "{{s0",        "{{}}",
    };
    for (const char* text : refused) EXPECT_THROW(PageTemplate(text, kNames), std::invalid_argument) << text;
}

} // namespace
} // namespace quilo
