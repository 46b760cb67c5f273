#pragma once
// The reference walk of the benchmarks: counts every value of a RapidJSON DOM, without
// recursion so that deep documents do not overflow the stack.
#include <rapidjson/document.h>

#include <cstddef>
#include <vector>

namespace tess::bench {

inline std::size_t countRapidJsonNodes(const rapidjson::Value& root)
{
    std::size_t count = 0;
    std::vector<const rapidjson::Value*> stack{&root};
    while (!stack.empty()) {
        const rapidjson::Value* x = stack.back();
        stack.pop_back();
        ++count;
        if (x->IsObject())
            for (auto m = x->MemberBegin(); m != x->MemberEnd(); ++m)
                stack.push_back(&m->value);
        else if (x->IsArray())
            for (auto e = x->Begin(); e != x->End(); ++e)
                stack.push_back(&*e);
    }
    return count;
}

} // namespace tess::bench
