// --csv PATH: the array of records at PATH as CSV (RFC 4180, UTF-8).
#include "cli/CliOutput.h"
#include "cli/StandardModes.h"
#include "cli/StrictInput.h"
#include "json/big/BigPaths.h"
#include "json/big/RecordTable.h"
#include "json/big/TableText.h"

#include <cstdio>

namespace tess::cli {
int runCsv(const Options& o, const std::string* engineText)
{
    const std::unique_ptr<StrictInput> in = openStrictInput(o, engineText);
    if (!in)
        return 2;
    std::vector<big::Node> chain;
    if (!resolveStrictPath(*in, o, o.csvPath, chain))
        return 1;
    const big::Node& array = chain.back();
    if (array.kind != big::Kind::Array && array.kind != big::Kind::Lines) {
        std::fprintf(stderr, "tessarine: --csv: the value at %s is not an array\n", o.csvPath.c_str());
        return 2;
    }
    big::RecordTable table(in->doc, array);
    table.readColumns();
    OutputSink sink(stdout, true);
    std::string& out = sink.buffer();
    if (o.byteOrderMark)
        out += "\xEF\xBB\xBF";
    for (std::size_t k = 0; k < table.columns().size(); ++k) {
        if (k > 0)
            out.push_back(',');
        big::appendDelimitedField(out, table.columns()[k], ',');
    }
    out += "\r\n";
    table.forEachRecord(0, [&](const big::Node& record) {
        const std::vector<big::TableCell> cells = table.cells(record);
        for (std::size_t k = 0; k < cells.size(); ++k) {
            if (k > 0)
                out.push_back(',');
            big::appendDelimitedField(out, cells[k].text, ',');
        }
        out += "\r\n";
        sink.lineDone();
        return !sink.failed();
    });
    sink.flush();
    reportBrokenLines(*in);
    if (sink.failed()) {
        std::fputs("tessarine: write error\n", stderr);
        return 2;
    }
    return 0;
}

} // namespace tess::cli
