#include "platform/qt/QtText.h"

#include "platform/Codec.h"

namespace tess::qt {

QString toQString(std::string_view gb)
{
    if (gb.empty())
        return {};
    // Pure ASCII needs no conversion; a common case for JSON captions.
    bool ascii = true;
    for (char c : gb) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return QString::fromLatin1(gb.data(), static_cast<qsizetype>(gb.size()));
    const std::u16string u = codec::gb18030ToUtf16(gb);
    return QString(reinterpret_cast<const QChar*>(u.data()), static_cast<qsizetype>(u.size()));
}

std::string toGb(const QString& text)
{
    if (text.isEmpty())
        return {};
    const std::u16string_view u(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
    return codec::utf16ToGb18030(u).text;
}

} // namespace tess::qt
