#include "platform/Gb18030Tables.h"

#include <algorithm>

namespace tess::gb18030 {

// Made at build time from iconv (Gb18030TableWriter) and compiled in: constant data, which
// costs a process nothing until a page of it is read.
extern const Mapping compiledMapping;

const Mapping& mapping()
{
    return compiledMapping;
}

const EncodeException* findException(const Mapping& m, char32_t cp)
{
    const EncodeException* end = m.exceptions + m.exceptionCount;
    const EncodeException* it = std::lower_bound(m.exceptions, end, cp,
        [](const EncodeException& e, char32_t c) { return e.codePoint < c; });
    return it != end && it->codePoint == cp ? it : nullptr;
}

} // namespace tess::gb18030
