// --query PROGRAM: a jq program on the document, or on each record of JSON Lines.
#include "cli/CliOutput.h"
#include "cli/StandardModes.h"
#include "cli/StrictInput.h"
#include "json/jq/JqProgram.h"

#include <cstdio>

namespace tess::cli {
namespace {

// jq holds a document whole, at many times its size; a single document above this is
// refused (JSON Lines are queried record by record at any size).
constexpr uint64_t kQueryBound = uint64_t(256) << 20;

// Exit statuses as jq gives them: a program that does not compile, an error while it runs.
constexpr int kCompileError = 3;
constexpr int kRunError = 5;

} // namespace

int runQuery(const Options& o, const std::string* engineText)
{
    jq::JqProgram program;
    std::string error;
    if (!program.compile(o.query, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return kCompileError;
    }
    const std::unique_ptr<StrictInput> in = openStrictInput(o, engineText);
    if (!in)
        return 2;
    big::Node root;
    if (!in->doc.root(root)) {
        std::fprintf(stderr, "tessarine: %s: no JSON value\n", in->name.c_str());
        return 2;
    }
    if (!in->doc.isLines() && root.end - root.start > kQueryBound) {
        std::fprintf(stderr,
                     "tessarine: %s: --query takes a single document of at most %llu MiB (jq holds it whole in "
                     "memory, at several times its size); JSON Lines are queried record by record at any size\n",
                     in->name.c_str(), static_cast<unsigned long long>(kQueryBound >> 20));
        return 2;
    }
    OutputSink sink(stdout, true);
    int status = 0;
    auto runOn = [&](std::string_view json, uint64_t line) {
        const jq::RunResult r = program.run(json, [&](std::string_view result) {
            sink.buffer().append(result);
            sink.buffer().push_back('\n');
            sink.lineDone();
            return !sink.failed();
        });
        if (r.outcome == jq::RunOutcome::Failed) {
            sink.flush();
            if (line > 0)
                std::fprintf(stderr, "jq: error (at %s, line %llu): %s\n", in->name.c_str(),
                             static_cast<unsigned long long>(line), r.message.c_str());
            else
                std::fprintf(stderr, "jq: error (at %s): %s\n", in->name.c_str(), r.message.c_str());
            status = kRunError;
        } else if (r.outcome == jq::RunOutcome::Halted) {
            sink.flush();
            std::fputs(r.message.c_str(), stderr);
            status = r.exitCode;
            return false;
        }
        return !sink.failed();
    };
    const std::string_view bytes = in->doc.bytes();
    if (in->doc.isLines()) {
        big::ChildCursor records = in->doc.children(root);
        big::Node record;
        while (records.next(record))
            if (record.kind != big::Kind::Error && !runOn(bytes.substr(record.start, record.end - record.start), record.line))
                break;
        reportBrokenLines(*in);
    } else {
        runOn(bytes.substr(root.start, root.end - root.start), 0);
    }
    sink.flush();
    if (sink.failed()) {
        std::fputs("tessarine: write error\n", stderr);
        return 2;
    }
    return status;
}

} // namespace tess::cli
