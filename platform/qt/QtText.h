#pragma once
// Conversion between the engine's GB18030 byte strings and Qt strings.
#include <QString>

#include <string>
#include <string_view>

namespace tess::qt {

QString toQString(std::string_view gb);
std::string toGb(const QString& text);

// A literal of the system (UTF-8 source) as a Qt string.
inline QString ui(const char8_t* utf8)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(utf8));
}

} // namespace tess::qt
