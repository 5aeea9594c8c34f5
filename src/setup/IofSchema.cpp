#include "setup/IofSchema.h"

#include "setup/IofSchemaText.h"

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

#include <memory>

namespace quilo {
namespace {

void Quiet(void*, const char*, ...) {}

std::string Trimmed(const char* message) {
    std::string s = message ? message : "";
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
    return s;
}

// Parsed once: the schema is large and never changes while the program runs.
xmlSchemaPtr IofSchema() {
    static xmlSchemaPtr schema = [] {
        xmlSchemaParserCtxtPtr parser =
            xmlSchemaNewMemParserCtxt(embedded::kIofSchema, static_cast<int>(sizeof embedded::kIofSchema - 1));
        xmlSchemaSetParserErrors(parser, Quiet, Quiet, nullptr);
        xmlSchemaPtr parsed = xmlSchemaParse(parser);
        xmlSchemaFreeParserCtxt(parser);
        return parsed;
    }();
    return schema;
}

struct Collected {
    std::vector<SchemaProblem>* out;
    std::size_t limit;
};

void Collect(void* data, xmlErrorPtr error) {
    auto* c = static_cast<Collected*>(data);
    if (!error || c->out->size() >= c->limit) return;
    c->out->push_back({error->line, Trimmed(error->message)});
}

} // namespace

std::vector<SchemaProblem> CheckIofSchema(std::string_view bytes, std::size_t limit) {
    std::vector<SchemaProblem> problems;
    xmlSchemaPtr schema = IofSchema();
    if (!schema) return {{0, "the compiled-in IOF XML 3.0 schema could not be read"}};

    std::unique_ptr<xmlParserCtxt, void (*)(xmlParserCtxtPtr)> parser(xmlNewParserCtxt(), xmlFreeParserCtxt);
    if (!parser) return {{0, "out of memory"}};
    std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> doc(xmlCtxtReadMemory(parser.get(), bytes.data(),
                                                                       static_cast<int>(bytes.size()), nullptr, nullptr,
                                                                       XML_PARSE_NONET | XML_PARSE_NOERROR |
                                                                           XML_PARSE_NOWARNING),
                                                     xmlFreeDoc);
    if (!doc) {
        const xmlError* error = xmlCtxtGetLastError(parser.get());
        return {{error ? error->line : 0, "not well-formed XML: " + Trimmed(error ? error->message : nullptr)}};
    }

    std::unique_ptr<xmlSchemaValidCtxt, void (*)(xmlSchemaValidCtxtPtr)> validator(xmlSchemaNewValidCtxt(schema),
                                                                                   xmlSchemaFreeValidCtxt);
    if (!validator) return {{0, "out of memory"}};
    Collected collected{&problems, limit};
    xmlSchemaSetValidStructuredErrors(validator.get(), Collect, &collected);
    const int verdict = xmlSchemaValidateDoc(validator.get(), doc.get());
    if (verdict != 0 && problems.empty()) problems.push_back({0, "the schema validation failed"});
    return problems;
}

} // namespace quilo
