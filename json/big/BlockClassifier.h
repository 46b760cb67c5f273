#pragma once
// Classification of 64 input bytes at a time into bit masks (bit i = byte i), the first
// step of the index pass. SSE2 everywhere; AVX2 where the processor has it (checked once
// at run time).
#include <cstdint>

namespace tess::big {

struct BlockMasks {
    uint64_t quote = 0;     // "
    uint64_t backslash = 0; // '\'
    uint64_t op = 0;        // { } [ ] : ,
    uint64_t space = 0;     // blank, TAB, LF, CR
    uint64_t control = 0;   // bytes below 0x20
    uint64_t newline = 0;   // LF
    uint64_t high = 0;      // bytes 0x80 and above
};

using ClassifyFn = void (*)(const unsigned char* block, BlockMasks& out);

// The classifier for this processor.
ClassifyFn pickClassifier();
// The SSE2 one (for tests comparing both).
ClassifyFn sse2Classifier();
bool hasAvx2();

} // namespace tess::big
