#pragma once
// The table-driven UTF-8 -> GB18030 conversion with a choice of how a character without a
// GB18030 form is replaced: byte by byte (utf8ToGb18030) or as one "?" (convert()).
#include "platform/Codec.h"

namespace tess::codec {

ConvertResult utf8ToGb18030Tables(std::string_view utf8, bool oneMarkPerCharacter);

} // namespace tess::codec
