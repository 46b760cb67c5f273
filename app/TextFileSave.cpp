#include "app/TextFileSave.h"

#include "app/SaveFile.h"
#include "platform/Codec.h"

namespace tess {

bool saveTextFile(const std::string& path, std::string_view gbText, SaveEncoding encoding, std::size_t* badBytes)
{
    if (badBytes)
        *badBytes = 0;
    if (encoding == SaveEncoding::Gb18030)
        return saveFileAtomically(path, gbText) == SaveOutcome::Written;
    const codec::ConvertResult utf8 = codec::gb18030ToUtf8(gbText);
    if (badBytes)
        *badBytes = utf8.badBytes;
    return saveFileAtomically(path, utf8.text) == SaveOutcome::Written;
}

} // namespace tess
