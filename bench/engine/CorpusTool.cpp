// Writes the benchmark documents to files, for timing the command line:
//   tess_corpus DIR   -> api-50mb-gbk.json, api-10mb-gbk.json, numbers-1m.json, ...
#include "CorpusGenerator.h"

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
    if (argc != 2) {
        std::fprintf(stderr, "usage: tess_corpus DIR\n");
        return 2;
    }
    using namespace tess::bench;
    const std::string dir = argv[1];
    constexpr std::size_t MB = 1024 * 1024;
    const auto gbk = [](const std::string& utf8) { return tess::codec::utf8ToGb18030(utf8).text; };
    const bool ok = write(dir + "/api-50mb-gbk.json", gbk(apiDocument(50 * MB, 1))) &&
                    write(dir + "/api-10mb-gbk.json", gbk(apiDocument(10 * MB, 1))) &&
                    write(dir + "/api-50mb-utf8.json", apiDocument(50 * MB, 1)) &&
                    write(dir + "/pretty-10mb-gbk.json", gbk(apiDocument(10 * MB, 1, true))) &&
                    write(dir + "/numbers-1m.json", numberArray(1000000, 3)) &&
                    write(dir + "/deep-arrays-100k.json", deepArrays(100000)) &&
                    write(dir + "/deep-objects-100k.json", deepObjects(100000));
    if (!ok) {
        std::fprintf(stderr, "tess_corpus: cannot write to %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
