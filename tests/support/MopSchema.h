#pragma once
// The online results documents checked with libxml2 against tests/data/mop.xsd, as the
// import checks IOF XML against its schema. The including program links libxml2.
#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

#include <memory>
#include <string>
#include <string_view>

namespace quilo::test {

inline void MopSchemaCollect(void* out, xmlErrorPtr error) {
    if (error && error->message) *static_cast<std::string*>(out) += error->message;
}

// "" when the bytes are a document the schema accepts; else what libxml2 said.
inline std::string MopSchemaErrors(std::string_view bytes) {
    static const xmlSchemaPtr schema = [] {
        const std::string path = std::string(QUILO_TEST_DATA) + "/mop.xsd";
        xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(path.c_str());
        xmlSchemaPtr parsed = xmlSchemaParse(parser);
        xmlSchemaFreeParserCtxt(parser);
        return parsed;
    }();
    if (!schema) return "tests/data/mop.xsd could not be read";
    std::unique_ptr<xmlDoc, void (*)(xmlDocPtr)> doc(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                                                   nullptr,
                                                                   XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
                                                     xmlFreeDoc);
    if (!doc) return "not well-formed XML";
    std::unique_ptr<xmlSchemaValidCtxt, void (*)(xmlSchemaValidCtxtPtr)> validator(xmlSchemaNewValidCtxt(schema),
                                                                                   xmlSchemaFreeValidCtxt);
    std::string errors;
    xmlSchemaSetValidStructuredErrors(validator.get(), MopSchemaCollect, &errors);
    if (xmlSchemaValidateDoc(validator.get(), doc.get()) != 0 && errors.empty()) errors = "the validation failed";
    return errors;
}

} // namespace quilo::test
