#pragma once
// A std::basic_string used as an output buffer: written through the pointer o, grown on
// demand, cut to the written length by finish().
#include <cstddef>
#include <cstring>
#include <string_view>

namespace tess {

template <typename String>
class OutputBuffer {
public:
    using Unit = typename String::value_type;
    OutputBuffer(String& s, std::size_t initial)
        : m_s(s)
    {
        m_s.resize(initial);
        o = m_s.data();
        m_limit = o + m_s.size();
    }
    std::size_t room() const { return static_cast<std::size_t>(m_limit - o); }
    std::size_t used() const { return static_cast<std::size_t>(o - m_s.data()); }
    // Makes room for at least `atLeast` more units.
    void grow(std::size_t atLeast)
    {
        const std::size_t n = used();
        m_s.resize(n + atLeast + 32);
        o = m_s.data() + n;
        m_limit = m_s.data() + m_s.size();
    }
    void append(std::basic_string_view<Unit> units)
    {
        if (room() < units.size())
            grow(units.size());
        std::memcpy(o, units.data(), units.size() * sizeof(Unit));
        o += units.size();
    }
    void finish() { m_s.resize(used()); }

    Unit* o;

private:
    String& m_s;
    Unit* m_limit;
};

} // namespace tess
