// --csv PATH: the array of records at PATH as CSV (RFC 4180, UTF-8).
#include "cli/CliOutput.h"
#include "cli/StandardModes.h"
#include "cli/StrictInput.h"
#include "json/big/BigPaths.h"
#include "json/big/RecordTable.h"

#include <algorithm>
#include <cstdio>

namespace tess::cli {
namespace {

// A field quoted when it holds a quote, comma or line break (or starts or ends with a
// blank, which some readers trim); quotes inside doubled.
void appendField(std::string& out, std::string_view field)
{
    const bool quote = std::any_of(field.begin(), field.end(), [](char c) { return c == '"' || c == ',' || c == '\r' || c == '\n'; }) ||
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

} // namespace

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
        appendField(out, table.columns()[k]);
    }
    out += "\r\n";
    table.forEachRecord(0, [&](const big::Node& record) {
        const std::vector<big::TableCell> cells = table.cells(record);
        for (std::size_t k = 0; k < cells.size(); ++k) {
            if (k > 0)
                out.push_back(',');
            appendField(out, cells[k].text);
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
