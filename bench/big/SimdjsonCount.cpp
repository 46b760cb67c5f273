// Reference for the big-document timing: simdjson's DOM parse of a file plus a
// node-counting walk. Prints the node count.
#include <simdjson.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    if (parser.load(argv[1]).get(root))
        return 1;
    std::size_t count = 0;
    std::vector<simdjson::dom::element> stack{root};
    while (!stack.empty()) {
        const simdjson::dom::element e = stack.back();
        stack.pop_back();
        ++count;
        simdjson::dom::object object;
        simdjson::dom::array array;
        if (!e.get(object))
            for (auto field : object)
                stack.push_back(field.value);
        else if (!e.get(array))
            for (simdjson::dom::element child : array)
                stack.push_back(child);
    }
    std::printf("nodes %zu\n", count);
    return 0;
}
