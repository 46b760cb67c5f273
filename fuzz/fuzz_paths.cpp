// Paths of every node in the jq, JSONPath, JavaScript and Python syntaxes read back to
// a node with that same path; typed text of any form resolved without harm; the
// formatted value keeps every byte but blanks and stays within its size bound.
#include "json/JsonDocument.h"
#include "json/PathSyntax.h"
#include "json/ValueFormatter.h"

#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string withoutBlanks(std::string_view text)
{
    std::string out;
    for (const char c : text)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            out.push_back(c);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool zeroBased = data[0] & 1;
    const bool singleQuote = data[0] & 2;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    const std::string formatted = tess::formatValue(text);
    if (formatted.size() > text.size() * 8 + (64u << 10) || withoutBlanks(formatted) != withoutBlanks(text))
        std::abort();

    tess::JsonDocument doc;
    std::string input = text;
    doc.parse(input, zeroBased, singleQuote);
    const int32_t count = doc.nodes().nodeCount();
    const bool compact = data[0] & 4;
    constexpr tess::PathStyle kStyles[] = {tess::PathStyle::Tree, tess::PathStyle::Jq, tess::PathStyle::JsonPath,
                                           tess::PathStyle::JavaScript, tess::PathStyle::Python};
    std::vector<tess::PathsInOrder> inOrder;
    inOrder.reserve(std::size(kStyles));
    for (const tess::PathStyle style : kStyles)
        inOrder.emplace_back(doc, style, compact);
    for (int32_t i = 1; i <= count && i <= 200; ++i) {
        for (const tess::PathStyle style : {tess::PathStyle::Jq, tess::PathStyle::JsonPath,
                                            tess::PathStyle::JavaScript, tess::PathStyle::Python}) {
            const std::string path = tess::pathInStyle(doc, i, style);
            const int found = tess::nodeAtPath(doc, path, style);
            // With duplicate names the first one is found: the same path, maybe not i.
            if (found < 1 || tess::pathInStyle(doc, found, style) != path)
                std::abort();
        }
        // Paths made in table order are the paths made one by one; a copied path is
        // among the path box's readings.
        for (std::size_t k = 0; k < inOrder.size() && i >= 2; ++k) {
            const tess::PathStyle style = kStyles[k];
            const std::string path = tess::pathInStyle(doc, i, style, compact);
            if (inOrder[k].next(i) != path)
                std::abort();
            bool read = false;
            for (const tess::PathReading& r : tess::pathReadings(doc, path, compact))
                read = read || tess::pathInStyle(doc, r.node, style, compact) == path;
            if (!read && style != tess::PathStyle::Tree)
                std::abort();
        }
        (void)tess::nodeAtAnyPath(doc, tess::pathInStyle(doc, i, tess::PathStyle::Tree, i & 1));
        // The value handed out without the trimming pass is the trimmed one.
        std::string scratch;
        if (tess::valueOfNode(doc, i, scratch) != tess::valueOfNode(doc, i))
            std::abort();
    }
    // The input itself as a typed path.
    (void)tess::nodeAtAnyPath(doc, text.substr(0, 256));
    return 0;
}
