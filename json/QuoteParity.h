#pragma once
// Internal to the engine: whether a position of a text lies inside a double-quoted string,
// with quotes paired from the text's start as the scanner's masking pairs them. A '"' byte
// is always a character of its own in GB18030 (trail bytes are 0x30-0x39 and 0x40-0xFE),
// so quotes are counted byte-wise. Positions are asked for in increasing order.
#include <bit>
#include <cstddef>
#include <cstdint>
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
    }

    // True when pos lies between an opening quote and its partner.
    bool inside(std::size_t pos)
    {
        advance(pos);
        return (m_count & 1) != 0 && m_count != m_total;
    }
    // The quote at pos is escaped (it is protected away): it pairs with nothing.
    void skipQuoteAt(std::size_t pos)
    {
        advance(pos);
        m_scanned = pos + 1;
    }
    // Counts the quotes before pos (pos at or after the last position asked for).
    std::size_t quotesBefore(std::size_t pos)
    {
        advance(pos);
        return m_count;
    }

private:
    void advance(std::size_t pos)
    {
        if (pos > m_n)
            pos = m_n;
        std::size_t i = m_scanned;
        if (pos <= i)
            return;
        for (; i + 16 <= pos; i += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m_d + i));
            m_count += static_cast<std::size_t>(
                std::popcount(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('"'))))));
        }
        for (; i < pos; ++i)
            m_count += m_d[i] == '"';
        m_scanned = pos;
    }

    const unsigned char* m_d;
    std::size_t m_n;
    std::size_t m_total;
    std::size_t m_scanned = 0;
    std::size_t m_count = 0;
};

} // namespace tess
