// --flat and --unflat.
#include "cli/CliOutput.h"
#include "cli/Colour.h"
#include "cli/StandardModes.h"
#include "cli/StrictInput.h"
#include "json/JsonLayout.h"
#include "json/Unflatten.h"
#include "json/big/FlatLines.h"
#include "platform/Codec.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tess::cli {

int runFlat(const Options& o, const std::string* engineText)
{
    const std::unique_ptr<StrictInput> in = openStrictInput(o, engineText);
    if (!in)
        return 2;
    big::PathForm form;
    form.style = o.pathStyleGiven ? o.pathStyle : PathStyle::Jq;
    form.compactTree = o.compactPaths;
    form.zeroBased = o.zeroBased;
    const bool colour = coloursOutput(o.color);
    OutputSink sink(stdout, true);
    std::string& out = sink.buffer();
    big::forEachFlatLine(in->doc, form, [&](std::string_view path, std::string_view value) {
        if (colour) {
            std::string p;
            appendPath(p, path);
            appendColoured(out, p, ColourRole::Path);
            out += " = ";
            if (value == "{}" || value == "[]")
                out += value;
            else
                appendColoured(out, value, roleOfScalar(value));
        } else {
            appendPath(out, path);
            out += " = ";
            out += value;
        }
        out += ";\n";
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

int runUnflat(const Options& o, const std::string* engineText)
{
    Unflattener unflat;
    std::string error;
    uint64_t lineNumber = 0;
    const bool stdinInput = !o.file || *o.file == "-";
    const std::string name = engineText ? o.url : stdinInput ? std::string("standard input") : *o.file;
    auto take = [&](std::string_view line) {
        ++lineNumber;
        if (unflat.addLine(line, error))
            return true;
        std::fprintf(stderr, "tessarine: %s: line %llu: %s\n", name.c_str(), static_cast<unsigned long long>(lineNumber),
                     error.c_str());
        return false;
    };
    auto takeText = [&](std::string_view text, std::string& carry, bool last) {
        std::size_t start = 0;
        for (;;) {
            const std::size_t nl = text.find('\n', start);
            if (nl == std::string_view::npos)
                break;
            bool ok;
            if (!carry.empty()) {
                carry.append(text.substr(start, nl - start));
                ok = take(carry);
                carry.clear();
            } else {
                ok = take(text.substr(start, nl - start));
            }
            if (!ok)
                return false;
            start = nl + 1;
        }
        carry.append(text.substr(start));
        if (last && !carry.empty()) {
            const bool ok = take(carry);
            carry.clear();
            return ok;
        }
        return true;
    };
    std::string carry;
    if (engineText) {
        if (!takeText(codec::gb18030ToUtf8(*engineText).text, carry, true))
            return 2;
    } else {
        std::FILE* f = stdinInput ? stdin : std::fopen(o.file->c_str(), "rb");
        if (!f) {
            std::fprintf(stderr, "tessarine: cannot open %s: %s\n", o.file->c_str(), std::strerror(errno));
            return 2;
        }
        static char chunk[1 << 16];
        bool ok = true;
        bool first = true;
        for (;;) {
            std::size_t n = std::fread(chunk, 1, sizeof chunk, f);
            std::string_view piece(chunk, n);
            if (first && piece.starts_with("\xEF\xBB\xBF"))
                piece.remove_prefix(3);
            first = false;
            const bool last = n < sizeof chunk;
            if (!takeText(piece, carry, last)) {
                ok = false;
                break;
            }
            if (last)
                break;
        }
        const bool readError = std::ferror(f);
        if (!stdinInput)
            std::fclose(f);
        if (!ok)
            return 2;
        if (readError) {
            std::fprintf(stderr, "tessarine: %s: read error\n", name.c_str());
            return 2;
        }
    }
    if (!unflat.hasValue()) {
        std::fprintf(stderr, "tessarine: %s: no flat lines\n", name.c_str());
        return 2;
    }
    OutputSink sink(stdout, true);
    JsonLayout layout(o.formatted ? 2 : 0, [&](std::string_view piece) {
        sink.buffer().append(piece);
        sink.lineDone();
    });
    unflat.write([&](std::string_view piece) { layout.feed(piece); });
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
