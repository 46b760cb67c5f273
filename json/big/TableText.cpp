#include "json/big/TableText.h"

#include <algorithm>

namespace tess::big {

void appendDelimitedField(std::string& out, std::string_view field, char separator)
{
    const bool quote = std::any_of(field.begin(), field.end(),
                                   [separator](char c) { return c == '"' || c == separator || c == '\r' || c == '\n'; }) ||
                       (!field.empty() && (field.front() == ' ' || field.back() == ' '));
    if (!quote) {
        out += field;
        return;
    }
    out.push_back('"');
    for (std::size_t i = 0;;) {
        const std::size_t q = field.find('"', i);
        if (q == std::string_view::npos) {
            out += field.substr(i);
            break;
        }
        out += field.substr(i, q + 1 - i);
        out.push_back('"');
        i = q + 1;
    }
    out.push_back('"');
}

} // namespace tess::big
