#include "json/big/BlockClassifier.h"

#include <immintrin.h>

namespace tess::big {
namespace {

inline uint64_t bits16(__m128i m)
{
    return static_cast<uint16_t>(_mm_movemask_epi8(m));
}

void classifySse2(const unsigned char* p, BlockMasks& out)
{
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i colon = _mm_set1_epi8(':');
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i blank = _mm_set1_epi8(' ');
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i bracketBits = _mm_set1_epi8(0x20); // [ ] | 0x20 = { }
    const __m128i openBrace = _mm_set1_epi8('{');
    const __m128i closeBrace = _mm_set1_epi8('}');
    const __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i controlLimit = _mm_set1_epi8(static_cast<char>(0x20 ^ 0x80));
    BlockMasks m;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        const int shift = 16 * k;
        const __m128i folded = _mm_or_si128(v, bracketBits);
        const __m128i ops = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(folded, openBrace), _mm_cmpeq_epi8(folded, closeBrace)),
                                         _mm_or_si128(_mm_cmpeq_epi8(v, colon), _mm_cmpeq_epi8(v, comma)));
        const __m128i nl = _mm_cmpeq_epi8(v, lf);
        const __m128i sp = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, blank), _mm_cmpeq_epi8(v, tab)),
                                        _mm_or_si128(nl, _mm_cmpeq_epi8(v, cr)));
        m.quote |= bits16(_mm_cmpeq_epi8(v, quote)) << shift;
        m.backslash |= bits16(_mm_cmpeq_epi8(v, backslash)) << shift;
        m.op |= bits16(ops) << shift;
        m.space |= bits16(sp) << shift;
        m.newline |= bits16(nl) << shift;
        m.high |= bits16(v) << shift;
        m.control |= bits16(_mm_cmplt_epi8(_mm_xor_si128(v, bias), controlLimit)) << shift;
    }
    out = m;
}

__attribute__((target("avx2"))) inline uint64_t bits32(__m256i m)
{
    return static_cast<uint32_t>(_mm256_movemask_epi8(m));
}

__attribute__((target("avx2"))) void classifyAvx2(const unsigned char* p, BlockMasks& out)
{
    const __m256i quote = _mm256_set1_epi8('"');
    const __m256i backslash = _mm256_set1_epi8('\\');
    const __m256i colon = _mm256_set1_epi8(':');
    const __m256i comma = _mm256_set1_epi8(',');
    const __m256i blank = _mm256_set1_epi8(' ');
    const __m256i tab = _mm256_set1_epi8('\t');
    const __m256i lf = _mm256_set1_epi8('\n');
    const __m256i cr = _mm256_set1_epi8('\r');
    const __m256i bracketBits = _mm256_set1_epi8(0x20);
    const __m256i openBrace = _mm256_set1_epi8('{');
    const __m256i closeBrace = _mm256_set1_epi8('}');
    const __m256i bias = _mm256_set1_epi8(static_cast<char>(0x80));
    const __m256i controlLimit = _mm256_set1_epi8(static_cast<char>(0x20 ^ 0x80));
    BlockMasks m;
    for (int k = 0; k < 2; ++k) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * k));
        const int shift = 32 * k;
        const __m256i folded = _mm256_or_si256(v, bracketBits);
        const __m256i ops =
            _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(folded, openBrace), _mm256_cmpeq_epi8(folded, closeBrace)),
                            _mm256_or_si256(_mm256_cmpeq_epi8(v, colon), _mm256_cmpeq_epi8(v, comma)));
        const __m256i nl = _mm256_cmpeq_epi8(v, lf);
        const __m256i sp = _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(v, blank), _mm256_cmpeq_epi8(v, tab)),
                                           _mm256_or_si256(nl, _mm256_cmpeq_epi8(v, cr)));
        m.quote |= bits32(_mm256_cmpeq_epi8(v, quote)) << shift;
        m.backslash |= bits32(_mm256_cmpeq_epi8(v, backslash)) << shift;
        m.op |= bits32(ops) << shift;
        m.space |= bits32(sp) << shift;
        m.newline |= bits32(nl) << shift;
        m.high |= bits32(v) << shift;
        m.control |= bits32(_mm256_cmpgt_epi8(controlLimit, _mm256_xor_si256(v, bias))) << shift;
    }
    out = m;
}

} // namespace

bool hasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

ClassifyFn pickClassifier()
{
    return hasAvx2() ? classifyAvx2 : classifySse2;
}

ClassifyFn sse2Classifier()
{
    return classifySse2;
}

} // namespace tess::big
