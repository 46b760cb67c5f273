// --get PATH --json: the value at PATH as standard JSON, compact or --formatted.
#include "cli/CliOutput.h"
#include "cli/Colour.h"
#include "cli/StandardModes.h"
#include "cli/StrictInput.h"
#include "json/JsonLayout.h"

#include <cstdio>

namespace tess::cli {

int runJsonValue(const Options& o, const std::string* engineText)
{
    const std::unique_ptr<StrictInput> in = openStrictInput(o, engineText);
    if (!in)
        return 2;
    std::vector<big::Node> chain;
    if (!resolveStrictPath(*in, o, o.getPath, chain))
        return 1;
    const big::Node& node = chain.back();
    const std::string_view bytes = in->doc.bytes();
    OutputSink sink(stdout, true);
    const bool colour = coloursOutput(o.color);
    JsonColourer colourer;
    JsonLayout layout(o.formatted ? 2 : 0, [&](std::string_view piece) {
        if (colour)
            colourer.append(sink.buffer(), piece);
        else
            sink.buffer().append(piece);
        sink.lineDone();
    });
    if (node.kind == big::Kind::Lines) {
        // The records of JSON Lines as the array they stand for.
        layout.feed("[");
        big::ChildCursor records = in->doc.children(node);
        big::Node record;
        bool first = true;
        while (records.next(record)) {
            if (record.kind == big::Kind::Error)
                continue;
            if (!first)
                layout.feed(",");
            first = false;
            layout.feed(bytes.substr(record.start, record.end - record.start));
        }
        layout.feed("]");
    } else {
        constexpr uint64_t kPiece = uint64_t(1) << 20;
        for (uint64_t at = node.start; at < node.end; at += kPiece)
            layout.feed(bytes.substr(at, std::min(kPiece, node.end - at)));
    }
    layout.finish();
    sink.buffer().push_back('\n');
    sink.flush();
    if (sink.failed()) {
        std::fputs("tessarine: write error\n", stderr);
        return 2;
    }
    return 0;
}

} // namespace tess::cli
