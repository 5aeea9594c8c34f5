#pragma once
// The results page's template, rendered straight to a sink. The language is the part of
// mustache the page uses: text, {{name}} (escaped for HTML, control characters left
// out), {{#name}}...{{/name}} over a list or a flag, {{^name}}...{{/name}} and
// {{! comments }}. A line is dropped where the mustache library the page was first made
// with drops it (a rendered section's tags and blanks alone on it), so the page keeps
// its bytes. Values are asked of scopes as the template runs, one item at a time: no
// page-sized tree of values is built and no page-sized text held.
#include "core/Files.h"

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quilo {

class PageTemplate {
public:
    // One level of values (the page, a class, a row). Names are indices into the name
    // list the template was made with; a name a scope does not know is asked of the
    // scope around it, and one nobody knows renders as nothing.
    class Scope {
    public:
        virtual ~Scope() = default;
        // Appends the text of `name` (unescaped); false, appending nothing, when this
        // scope has no such value.
        virtual bool Value(int name, std::string& out) const;
        // Section `name`: calls `each` once per item of a list with the item's scope, or
        // once with nullptr for a flag that is set (its body reads this scope). False
        // when this scope has no such section.
        virtual bool Section(int name, const std::function<void(const Scope*)>& each) const;
    };

    // Throws std::invalid_argument for a template it cannot render (an unknown name,
    // another kind of tag, an unclosed or unopened section).
    PageTemplate(std::string_view text, std::span<const std::string_view> names);
    ~PageTemplate();

    void Render(const Scope& root, ByteSink& out) const;

    struct Node;

private:
    std::vector<Node> nodes_;
};

} // namespace quilo
