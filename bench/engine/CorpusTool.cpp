// Writes the benchmark documents to files, for timing the command line:
//   tess_corpus DIR [--full]  -> SHAPE-utf8.json and SHAPE-gbk.json (GB18030) for every
//                                shape, one file for the ASCII-only shapes; --full makes
//                                the map coordinates at their real size (25 M numbers,
//                                about 170 MB) instead of 2.5 M numbers
#include "CorpusGenerator.h"
#include "ShapeGenerator.h"

#include "platform/Codec.h"

#include <cstdio>
#include <string>

namespace {

bool write(const std::string& path, const std::string& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv)
{
    const bool full = argc == 3 && std::string(argv[2]) == "--full";
    if (argc != 2 && !full) {
        std::fprintf(stderr, "usage: tess_corpus DIR [--full]\n");
        return 2;
    }
    using namespace tess::bench;
    const std::string dir = argv[1];
    constexpr std::size_t MB = 1024 * 1024;
    bool ok = true;
    const auto both = [&](const std::string& name, const std::string& utf8) {
        ok = ok && write(dir + "/" + name + "-utf8.json", utf8) &&
             write(dir + "/" + name + "-gbk.json", tess::codec::utf8ToGb18030(utf8).text);
    };
    ApiShape escaped;
    escaped.escapes = true;
    ApiShape rewritten = escaped;
    rewritten.rewritten = true;
    ApiShape prettyLf = escaped;
    prettyLf.pretty = true;
    ApiShape prettyCrlf = prettyLf;
    prettyCrlf.crlfTabs = true;
    both("api-10mb", apiDocument(10 * MB, 1));
    both("api-50mb", apiDocument(50 * MB, 1));
    both("api-esc-50mb", apiDocument(50 * MB, 1, escaped));
    both("api-esc-rewritten-50mb", apiDocument(50 * MB, 1, rewritten));
    both("pretty-10mb", apiDocument(10 * MB, 1, true));
    both("pretty-esc-lf-16mb", apiDocument(16 * MB, 1, prettyLf));
    both("pretty-esc-crlf-tabs-16mb", apiDocument(16 * MB, 1, prettyCrlf));
    // One records document in the layouts editors and export tools write, and its compact
    // form: 2-space LF is what most tools write, 4-space CR LF what Windows tools write.
    constexpr std::size_t kRecords = 34000;
    both("records-compact", recordsDocument(kRecords, 5, compactLayout()));
    both("records-2sp-lf", recordsDocument(kRecords, 5, Layout{"  ", "\n", ": "}));
    both("records-2sp-lf-tight", recordsDocument(kRecords, 5, Layout{"  ", "\n", ":"}));
    both("records-4sp-crlf", recordsDocument(kRecords, 5, Layout{"    ", "\r\n", ": "}));
    both("records-tabs-lf", recordsDocument(kRecords, 5, Layout{"\t", "\n", ": "}));
    both("scripts-20mb", scriptsDocument(20 * MB, 7));
    both("support-tables-20mb", supportTablesDocument(20 * MB, 13));
    both("feature-text-5mb", featureTextDocument(5 * MB, 17));
    ok = ok && write(dir + "/coordinates.json", coordinatesDocument(full ? 25000000 : 2500000, 9));
    // The same kind of map as a formatter writes it: a number per line, deep indents.
    ok = ok && write(dir + "/coordinates-pretty.json", laidOut(coordinatesDocument(1000000, 19), Layout{"  ", "\n", ": "}));
    ok = ok && write(dir + "/numbers-1m.json", numberArray(1000000, 3)) &&
         write(dir + "/deep-arrays-100k.json", deepArrays(100000)) &&
         write(dir + "/deep-objects-100k.json", deepObjects(100000));
    if (!ok) {
        std::fprintf(stderr, "tess_corpus: cannot write to %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
