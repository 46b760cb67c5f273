#pragma once
// Internal to the engine: whether a position of a text lies inside a double-quoted string,
// with quotes paired from the text's start as the scanner's masking pairs them. A '"' byte
// is always a character of its own in GB18030 (trail bytes are 0x30-0x39 and 0x40-0xFE),
// so quotes are counted byte-wise. Positions are asked for in increasing order; the
// quotes of the 64-byte block of the last position asked for are kept as a bit mask with
// its prefix parity, so that a question costs a shift.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <emmintrin.h>
#include <string_view>

namespace tess {

class QuoteParity {
public:
    static constexpr std::size_t kUnknown = SIZE_MAX;

    // quotes: the number of quotes of the whole text when known. A last quote without a
    // partner opens no string (the masking leaves the rest of the text as it is), which a
    // walk from the start only learns at the end; told the odd total, it knows it on the way.
    explicit QuoteParity(std::string_view text, std::size_t quotes = kUnknown)
        : m_d(reinterpret_cast<const unsigned char*>(text.data())), m_n(text.size()), m_total(quotes)
    {
        loadBlock(0);
    }

    // True when pos lies between an opening quote and its partner.
    bool inside(std::size_t pos)
    {
        moveTo(pos);
        const std::size_t k = pos - m_block;
        if (m_total == kUnknown && k < 64) // the parity alone decides
            return ((m_before ^ (m_oddBelow >> k)) & 1) != 0;
        const std::size_t count = quotesBefore(pos);
        return (count & 1) != 0 && count != m_total;
    }
    // The quote at pos is escaped (it is protected away): it pairs with nothing.
    void skipQuoteAt(std::size_t pos)
    {
        moveTo(pos);
        setMask(m_mask & ~(uint64_t(1) << (pos - m_block)));
    }
    // The quotes before pos (pos at or after the last position asked for).
    std::size_t quotesBefore(std::size_t pos)
    {
        moveTo(pos);
        const std::size_t k = pos - m_block;
        const uint64_t below = k == 0 ? 0 : (k >= 64 ? ~uint64_t(0) : ~uint64_t(0) >> (64 - k));
        return m_before + static_cast<std::size_t>(std::popcount(m_mask & below));
    }

private:
    static uint64_t quoteBits(const unsigned char* p)
    {
        uint64_t bits = 0;
        for (int lane = 0; lane < 4; ++lane) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * lane));
            bits |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')))))
                    << (16 * lane);
        }
        return bits;
    }
    void loadBlock(std::size_t block)
    {
        m_block = block;
        if (block + 64 <= m_n) {
            setMask(quoteBits(m_d + block));
        } else {
            unsigned char tail[64] = {};
            if (block < m_n)
                std::memcpy(tail, m_d + block, m_n - block);
            setMask(quoteBits(tail));
        }
    }
    // The block's quotes, and for each bit whether an odd number of them lies below it
    // (a prefix XOR), so that inside() needs no bit count.
    void setMask(uint64_t mask)
    {
        m_mask = mask;
        uint64_t x = mask;
        for (int shift = 1; shift < 64; shift *= 2)
            x ^= x << shift;
        m_oddBelow = x << 1;
    }
    // Makes the block holding pos (or the text's end) the current one.
    void moveTo(std::size_t pos)
    {
        if (pos < m_block + 64 || m_block + 64 > m_n)
            return;
        m_before += static_cast<std::size_t>(std::popcount(m_mask));
        std::size_t block = m_block + 64;
        const std::size_t target = (pos < m_n ? pos : m_n) & ~std::size_t(63);
        for (; block < target; block += 64)
            m_before += static_cast<std::size_t>(std::popcount(quoteBits(m_d + block)));
        loadBlock(block);
    }

    const unsigned char* m_d;
    std::size_t m_n;
    std::size_t m_total;
    std::size_t m_block = 0;  // offset of the current 64-byte block
    uint64_t m_mask = 0;      // its quotes (escaped ones cleared)
    uint64_t m_oddBelow = 0;  // bit k: an odd number of them below bit k
    std::size_t m_before = 0; // quotes before it
};

} // namespace tess
