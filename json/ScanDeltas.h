#pragma once
// Internal to the scan buffer: what each byte does to the counts of braces, brackets and
// quotes, shared by the counting pass, the state queries and the searches.
#include "json/ScanBuffer.h"

#include <cstdint>

namespace tess::scandeltas {

struct Delta {
    int8_t brace;
    int8_t bracket;
    uint8_t quote;
};

constexpr Delta makeDelta(unsigned c)
{
    return Delta{static_cast<int8_t>(c == '{' ? 1 : c == '}' ? -1 : 0),
                 static_cast<int8_t>(c == '[' ? 1 : c == ']' ? -1 : 0), static_cast<uint8_t>(c == '"' ? 1 : 0)};
}

struct DeltaTable {
    Delta d[256];
    constexpr DeltaTable() : d()
    {
        for (unsigned c = 0; c < 256; ++c)
            d[c] = makeDelta(c);
    }
};

constexpr DeltaTable kDeltas;

struct DeltaNonZeroTable {
    bool v[256];
    constexpr DeltaNonZeroTable() : v()
    {
        for (unsigned char c : {'{', '}', '[', ']', '"'})
            v[c] = true;
    }
};

constexpr DeltaNonZeroTable kDeltaNonZero;

inline void apply(ScanState& s, unsigned char c)
{
    const Delta& d = kDeltas.d[c];
    s.brace += d.brace;
    s.bracket += d.bracket;
    s.quotes += d.quote;
}

} // namespace tess::scandeltas
