#pragma once
// What the IOF XML documents share: text made fit for XML, pugixml's output to a sink,
// simple child elements, a person with their club, and the document's head.
#include "core/Event.h"
#include "core/Files.h"
#include "results/ExportCommon.h"

#include <pugixml.hpp>

#include <string>
#include <string_view>

namespace quilo::iof {

inline constexpr const char* kIndent = "  ";
inline constexpr unsigned kFormat = pugi::format_default;

// XML 1.0 holds no control characters but tab and the line ends: they are left out.
std::string XmlText(std::string_view s);

// pugixml's output, piece by piece, to the sink.
class SinkWriter final : public pugi::xml_writer {
public:
    explicit SinkWriter(ByteSink& out) : out_(out) {}
    void write(const void* data, size_t size) override { out_.Write(std::string_view(static_cast<const char*>(data), size)); }

private:
    ByteSink& out_;
};

void Text(pugi::xml_node parent, const char* name, std::string_view value);
void Number(pugi::xml_node parent, const char* name, long long value);
// Person (family and given name), then the club as the Organisation, when there is one;
// with the person's, club's and country's ids when their identity is known.
void AddPerson(pugi::xml_node parent, const EntryRecord& r, const Identity* id);
// The class's name, with its id and short name when known.
void AddClass(pugi::xml_node parent, const std::string& name, const Identities* ids);
// The identity of a competitor of the snapshot, or null.
const Identity* IdentityOf(const ExportInfo& info, const EntryRecord& r, const std::string& startListCard);

// The declaration, the document's opening tag with its attributes (`status` when not
// null) and the event, as the whole tree would print them; the closing tag is the
// caller's, after its parts.
void WriteHead(ByteSink& out, const char* root, const ExportInfo& info, const char* status);

} // namespace quilo::iof
