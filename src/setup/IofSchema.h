#pragma once
// IOF XML 3.0 documents checked against the schema compiled into the program.
#include <string>
#include <string_view>
#include <vector>

namespace quilo {

struct SchemaProblem {
    int line = 0; // 0 when the parser named none
    std::string message;
};

// Empty when the bytes are well-formed XML that the IOF XML 3.0 schema accepts; else
// the first problems found (at most `limit`). No network access, no external entity.
std::vector<SchemaProblem> CheckIofSchema(std::string_view bytes, std::size_t limit = 10);

} // namespace quilo
