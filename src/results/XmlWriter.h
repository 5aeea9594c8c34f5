#pragma once
// A streaming XML writer for the result list: elements are written as they are opened,
// never held as a tree. Its bytes are those pugixml's save gives for the same tree
// (two-blank indent, a text-only element on one line, "<a />" for an empty one, the same
// characters escaped), so the list the program wrote before streaming stays
// byte-identical; tests check the two against each other.
#include "core/Files.h"

#include <string>
#include <string_view>
#include <vector>

namespace quilo {

class XmlWriter {
public:
    explicit XmlWriter(ByteSink& out) : out_(out) {}
    ~XmlWriter() { Flush(); }
    XmlWriter(const XmlWriter&) = delete;
    XmlWriter& operator=(const XmlWriter&) = delete;

    // <?xml version="1.0" encoding="UTF-8"?>
    void Declaration();
    // Opens an element; its attributes follow, before anything inside it.
    void Open(std::string_view name);
    void Attribute(std::string_view name, std::string_view value);
    // An element holding only text; empty text makes an empty element.
    void Text(std::string_view name, std::string_view value);
    void Number(std::string_view name, long long value);
    // Closes the innermost open element.
    void Close();
    // Hands what is written so far to the sink (also done as the text grows).
    void Flush();

private:
    void Indent();
    void EndStartTag();
    void Written();

    struct Element {
        std::string name;
        bool startTagOpen;  // attributes may still come; nothing inside it yet
    };
    ByteSink& out_;
    std::string buffer_;
    std::vector<Element> open_;
};

} // namespace quilo
