#include "app/TextFileSave.h"

#include "app/SlotFiles.h"
#include "platform/Codec.h"

namespace tess {

bool saveTextFile(const std::string& path, std::string_view gbText, SaveEncoding encoding, std::size_t* badBytes)
{
    if (badBytes)
        *badBytes = 0;
    if (encoding == SaveEncoding::Gb18030)
        return writeFileReplacing(path, gbText);
    const codec::ConvertResult utf8 = codec::gb18030ToUtf8(gbText);
    if (badBytes)
        *badBytes = utf8.badBytes;
    return writeFileReplacing(path, utf8.text);
}

} // namespace tess
