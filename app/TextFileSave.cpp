#include "app/TextFileSave.h"

#include "app/SaveFile.h"
#include "platform/Codec.h"

namespace tess {

bool saveTextFile(const std::string& path, const SharedText& gbText, SaveEncoding encoding, std::size_t* badBytes)
{
    if (badBytes)
        *badBytes = 0;
    if (encoding == SaveEncoding::Gb18030)
        return saveFileAtomically(path, [&gbText](const ByteSink& sink) { return gbText.forEachPiece(sink); }) ==
               SaveOutcome::Written;
    // Converting needs the whole text; one kept in pieces is put together for this only.
    const codec::ConvertResult utf8 = gbText.withWhole([](std::string_view t) { return codec::gb18030ToUtf8(t); });
    if (badBytes)
        *badBytes = utf8.badBytes;
    return saveFileAtomically(path, utf8.text) == SaveOutcome::Written;
}

} // namespace tess
