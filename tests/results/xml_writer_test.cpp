// The streaming XML writer against pugixml, which wrote the result list before it: random
// trees built through both (nested elements, attributes, empty and text-only elements,
// numbers, every character that needs escaping) must save to the same bytes.
#include "results/XmlWriter.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <random>

namespace quilo {
namespace {

class PugiString final : public pugi::xml_writer {
public:
    std::string text;
    void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
};

// Builds the same random tree through the writer and as a pugixml document.
class TreeBuilder {
public:
    explicit TreeBuilder(unsigned seed) : rng_(seed), writer_(sink_) {}

    void Document() {
        pugi::xml_node decl = doc_.append_child(pugi::node_declaration);
        decl.append_attribute("version").set_value("1.0");
        decl.append_attribute("encoding").set_value("UTF-8");
        writer_.Declaration();
        Element(doc_, 0);
    }

    std::string Written() {
        writer_.Flush();
        return written_;
    }
    std::string Saved() const {
        PugiString out;
        doc_.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
        return out.text;
    }

private:
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    std::string Name() {
        static const char* const names[] = {"ResultList", "a", "PersonResult", "SplitTime", "Name_1"};
        return names[Below(5)];
    }

    // Text with every kind of character the escaping treats apart, and a NUL, past
    // which a C string (what pugixml is given) ends.
    std::string Value() {
        static const char* const pieces[] = {"a", "Z9", " ", "\t", "\n", "\r", "&", "<", ">", "\"", "'", "\x01", "\x1f", "\x7f", "é", "山田", "&amp;"};
        std::string s;
        for (int i = Below(6); i > 0; --i) {
            const int k = Below(18);
            if (k == 17) s += '\0';
            else s += pieces[k];
        }
        return s;
    }

    void Element(pugi::xml_node parent, int depth) {
        const std::string name = Name();
        pugi::xml_node node = parent.append_child(name.c_str());
        writer_.Open(name);
        for (int i = Below(3); i > 0; --i) {
            const std::string attr = "at" + std::to_string(i);
            const std::string value = Value();
            node.append_attribute(attr.c_str()).set_value(value.c_str());
            writer_.Attribute(attr, value);
        }
        for (int i = depth < 4 ? Below(5) : 0; i > 0; --i) {
            switch (Below(3)) {
            case 0: Element(node, depth + 1); break;
            case 1: {
                const std::string leaf = Name();
                const std::string value = Value();
                pugi::xml_node text = node.append_child(leaf.c_str());
                // The old export set no text for an empty value; a value that a NUL
                // opens is empty to both.
                if (value.c_str()[0] != '\0') text.text().set(value.c_str());
                writer_.Text(leaf, value);
                break;
            }
            default: {
                const long long number = std::uniform_int_distribution<long long>(-100000, 100000)(rng_) * (Below(2) ? 1 : 100000000);
                node.append_child("n").text().set(number);
                writer_.Number("n", number);
            }
            }
        }
        writer_.Close();
    }

    std::mt19937 rng_;
    pugi::xml_document doc_;
    std::string written_;
    StringSink sink_{written_};
    XmlWriter writer_;
};

TEST(XmlWriter, WritesTheBytesPugixmlSaves) {
    for (unsigned seed = 1; seed <= 500; ++seed) {
        TreeBuilder tree(seed);
        tree.Document();
        ASSERT_EQ(tree.Written(), tree.Saved()) << "seed " << seed;
    }
}

} // namespace
} // namespace quilo
