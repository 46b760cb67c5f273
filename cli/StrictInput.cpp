#include "cli/StrictInput.h"

#include "json/JsonDocument.h"
#include "json/StrictWriter.h"
#include "json/big/BigPaths.h"
#include "json/big/BigRoadRule.h"
#include "platform/Codec.h"
#include "platform/InputText.h"
#include "json/Decoders.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tess::cli {
namespace {

constexpr uint64_t kEngineLimit = uint64_t(2) << 30;

void say(const std::string& message)
{
    std::fprintf(stderr, "tessarine: %s\n", message.c_str());
}

bool readAll(std::FILE* f, std::string& out)
{
    struct stat st {};
    if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        out.reserve(static_cast<std::size_t>(st.st_size));
    char chunk[1 << 16];
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, f);
        out.append(chunk, n);
        if (n < sizeof chunk)
            return !std::ferror(f);
    }
}

std::string errorText(const big::ParseError& e, uint64_t offset)
{
    return "line " + std::to_string(e.line) + ", column " + std::to_string(e.column) + " (byte " +
           std::to_string(offset) + "): " + e.message;
}

big::OpenOptions openOptions(bool lines)
{
    big::OpenOptions options;
    options.index.lines = lines ? big::LinesMode::Always : big::LinesMode::Detect;
    return options;
}

// Tolerant text (GB18030) through the engine and the strict writer.
void rewrite(StrictInput& in, std::string engineText, const Options& o)
{
    if (o.predecode)
        engineText = decodeHtmlEntities(decodeUnicodeEscapes(engineText));
    std::string strict;
    {
        JsonDocument doc;
        doc.parseTaking(std::move(engineText), o.zeroBased, o.singleQuote);
        strict = strictJson(doc.nodes(), 1);
    }
    in.bytes = std::move(strict);
    in.rewritten = true;
    in.doc.openBytes(in.bytes, openOptions(false));
}

} // namespace

std::unique_ptr<StrictInput> openStrictInput(const Options& o, const std::string* engineText)
{
    auto in = std::make_unique<StrictInput>();
    const bool stdinInput = !engineText && (!o.file || *o.file == "-");
    in->name = engineText ? o.url : stdinInput ? std::string("standard input") : *o.file;
    const bool tolerant = o.singleQuote || o.predecode;
    if (engineText) {
        in->size = engineText->size();
        in->bytes = codec::gb18030ToUtf8(*engineText).text;
    } else {
        struct stat st {};
        if (!stdinInput && stat(o.file->c_str(), &st) != 0) {
            say("cannot open " + *o.file + ": " + std::strerror(errno));
            return nullptr;
        }
        const bool linesByName = !stdinInput && big::hasLinesExtension(*o.file);
        if (!stdinInput && S_ISREG(st.st_mode) && !tolerant &&
            (linesByName || static_cast<uint64_t>(st.st_size) >= big::bigThreshold())) {
            in->size = static_cast<uint64_t>(st.st_size);
            std::string error;
            if (!in->doc.open(*o.file, openOptions(linesByName), error)) {
                say(error.find(in->name) == std::string::npos ? in->name + ": " + error : error);
                return nullptr;
            }
            if (in->doc.error().present && !in->doc.isLines()) {
                say(in->name + ": not standard JSON, " + errorText(in->doc.error(), in->doc.errorFileOffset()) +
                    " (files from " + std::to_string(big::bigThreshold() >> 20) +
                    " MiB are read as standard JSON only)");
                return nullptr;
            }
            return in;
        }
        struct stat in0 {};
        if (stdinInput && !tolerant && fstat(STDIN_FILENO, &in0) == 0 && S_ISREG(in0.st_mode) &&
            static_cast<uint64_t>(in0.st_size) >= big::bigThreshold()) {
            // Standard input redirected from a big file: mapped as a named file would be.
            in->size = static_cast<uint64_t>(in0.st_size);
            std::string error;
            if (!in->doc.openDescriptor(STDIN_FILENO, openOptions(false), error)) {
                say(in->name + ": " + error);
                return nullptr;
            }
            if (in->doc.error().present && !in->doc.isLines()) {
                say(in->name + ": not standard JSON, " + errorText(in->doc.error(), in->doc.errorFileOffset()));
                return nullptr;
            }
            return in;
        }
        std::FILE* f = stdinInput ? stdin : std::fopen(o.file->c_str(), "rb");
        if (!f) {
            say("cannot open " + *o.file + ": " + std::strerror(errno));
            return nullptr;
        }
        const bool ok = readAll(f, in->bytes);
        if (!stdinInput)
            std::fclose(f);
        if (!ok) {
            say(in->name + ": read error: " + std::strerror(errno));
            return nullptr;
        }
        in->size = in->bytes.size();
        // Text in another charset (UTF-16 by its mark, GB18030) is read as UTF-8.
        if (!codec::isValidUtf8(in->bytes) || in->bytes.starts_with("\xFF\xFE") || in->bytes.starts_with("\xFE\xFF"))
            in->bytes = codec::gb18030ToUtf8(inputTextToGb18030(in->bytes)).text;
    }
    if (!tolerant) {
        in->doc.openBytes(in->bytes, openOptions(false));
        if (!in->doc.error().present || in->doc.isLines())
            return in;
    }
    if (in->size > kEngineLimit) {
        say(in->name + ": not standard JSON, " + errorText(in->doc.error(), in->doc.errorFileOffset()));
        return nullptr;
    }
    std::string text = engineText ? *engineText : inputTextToGb18030(in->bytes);
    in->bytes.clear();
    in->bytes.shrink_to_fit();
    rewrite(*in, std::move(text), o);
    return in;
}

bool resolveStrictPath(const StrictInput& in, const Options& o, const std::string& path, std::vector<big::Node>& chain)
{
    const std::optional<PathStyle> style = o.pathStyleGiven ? std::optional<PathStyle>(o.pathStyle) : std::nullopt;
    if (big::resolvePath(in.doc, big::toEngineText(path), style, o.zeroBased, chain))
        return true;
    big::Node root;
    if ((path.empty() || path == "." || path == "$") && in.doc.root(root)) {
        chain = {root};
        return true;
    }
    return false;
}

void reportBrokenLines(const StrictInput& in)
{
    const auto& broken = in.doc.index().lineErrors;
    if (!broken.empty())
        std::fprintf(stderr, "tessarine: %s: %zu broken line(s) left out, the first at line %llu: %s\n", in.name.c_str(),
                     broken.size(), static_cast<unsigned long long>(broken.front().line),
                     broken.front().message.c_str());
}

} // namespace tess::cli
