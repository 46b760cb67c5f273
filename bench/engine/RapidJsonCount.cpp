// Reference for the command-line timing: RapidJSON DOM parse of a file plus a
// node-counting walk. Prints the node count.
#include "RapidJsonWalk.h"

#include <rapidjson/document.h>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    std::FILE* f = std::fopen(argv[1], "rb");
    if (!f)
        return 2;
    std::string text;
    char chunk[1 << 16];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        text.append(chunk, n);
    std::fclose(f);
    rapidjson::Document doc;
    doc.Parse<rapidjson::kParseIterativeFlag>(text.data(), text.size());
    if (doc.HasParseError())
        return 1;
    const std::size_t count = tess::bench::countRapidJsonNodes(doc);
    std::printf("nodes %zu\n", count);
    return 0;
}
