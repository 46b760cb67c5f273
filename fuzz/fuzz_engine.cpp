// Parse + tree content block (checked against records written one by one) + path and
// value of every node + the decoders, and for small inputs a differential check against
// the literal reference parser of the tests (up to 64 levels deep). The scan buffers are
// given back after every node, a few bytes at a time, so that a read behind the parse is
// reported.
#include "json/JsonDocument.h"
#include "platform/FrontRelease.h"
#include "json/Decoders.h"

#include "../tests/json/ReferenceParser.cpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    tess::FrontRelease::setGranule(8);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool zeroBased = data[0] & 1;
    const bool singleQuote = data[0] & 2;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    tess::JsonDocument doc;
    std::string input = text;
    doc.parse(input, zeroBased, singleQuote);
    const auto block = doc.buildTreeContent();
    if (block.empty())
        std::abort(); // there is always a root
    const int32_t count = doc.nodes().nodeCount();
    // The block equals records written one by one from their plain definition.
    if (tess::testing::referenceTreeContent(doc.nodes()) != block.view())
        std::abort();
    if (data[0] & 4)
        doc.nodes().setBulkLookups(true);
    for (int32_t i = 1; i <= count && i <= 300; ++i) {
        const std::string path = doc.pathOfNode(i);
        (void)doc.valueAt(path);
        (void)doc.valueAt(doc.scanner().convertPath(doc.scanner().convertPath(path, 0), 1));
    }
    (void)tess::decodeHtmlEntities(tess::decodeUnicodeEscapes(text));

    // The literal parser copies and rescans each container's text at every level, so a
    // deeply nested input takes it seconds; the engine's own checks above still run.
    const auto actual = doc.nodes().snapshot();
    int depth = 0;
    for (const tess::JsonNode& n : actual)
        depth = std::max(depth, static_cast<int>(n.level));
    if (text.size() <= 2048 && depth <= 64) {
        const auto expected = tess::testing::referenceParse(input, zeroBased);
        if (expected.size() != actual.size())
            std::abort();
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const tess::JsonNode& e = expected[i];
            const tess::JsonNode& a = actual[i];
            if (e.name != a.name || e.value != a.value || e.kind != a.kind || e.level != a.level ||
                e.childCount != a.childCount || e.ordinal != a.ordinal)
                std::abort();
        }
    }
    return 0;
}
