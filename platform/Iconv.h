#pragma once
// The one iconv handle of the program: opened on construction, closed on destruction.
#include <cstddef>
#include <iconv.h>

namespace tess {

class Iconv {
public:
    Iconv(const char* to, const char* from)
        : m_cd(iconv_open(to, from))
    {
    }
    ~Iconv()
    {
        if (ok())
            iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // False when iconv does not know one of the two charsets.
    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // One iconv call, continuing the conversion state; in == nullptr flushes it. Returns
    // iconv's result.
    std::size_t convert(const char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft) const
    {
        if (!in)
            return iconv(m_cd, nullptr, nullptr, &out, &outLeft);
        char* ip = const_cast<char*>(in);
        const std::size_t rc = iconv(m_cd, &ip, &inLeft, &out, &outLeft);
        in = ip;
        return rc;
    }

    // One call over the input from a clean conversion state.
    std::size_t run(const char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft) const
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        return convert(in, inLeft, out, outLeft);
    }

private:
    iconv_t m_cd;
};

} // namespace tess
