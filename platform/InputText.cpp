#include "platform/InputText.h"

#include "platform/Codec.h"

#include <cstdint>
#include <cstring>

namespace tess {
namespace {

enum class InputForm { Gb18030, Utf8, Utf16Le, Utf16Be };

bool hasNonAscii(std::string_view bytes)
{
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    for (; end - p >= 8; p += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ULL)
            return true;
    }
    for (; p < end; ++p)
        if (static_cast<unsigned char>(*p) >= 0x80)
            return true;
    return false;
}

// The form of the bytes and the length of the mark in front of them.
InputForm formOf(std::string_view bytes, std::size_t& markLength)
{
    markLength = 0;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        markLength = 3;
        return InputForm::Utf8;
    }
    if (bytes.substr(0, 2) == "\xFF\xFE") {
        markLength = 2;
        return InputForm::Utf16Le;
    }
    if (bytes.substr(0, 2) == "\xFE\xFF") {
        markLength = 2;
        return InputForm::Utf16Be;
    }
    if (hasNonAscii(bytes) && codec::isValidUtf8(bytes))
        return InputForm::Utf8;
    return InputForm::Gb18030;
}

std::string converted(InputForm form, std::string_view payload)
{
    switch (form) {
    case InputForm::Utf8:
        return codec::utf8ToGb18030(payload).text;
    case InputForm::Utf16Le:
        return codec::convert("UTF-16LE", "GB18030", payload).text;
    case InputForm::Utf16Be:
        return codec::convert("UTF-16BE", "GB18030", payload).text;
    case InputForm::Gb18030:
        break;
    }
    return std::string(payload);
}

} // namespace

std::string inputTextToGb18030(std::string_view bytes)
{
    std::size_t mark = 0;
    const InputForm form = formOf(bytes, mark);
    return converted(form, bytes.substr(mark));
}

void convertInputTextInPlace(std::string& text)
{
    std::size_t mark = 0;
    const InputForm form = formOf(text, mark);
    if (form != InputForm::Gb18030)
        text = converted(form, std::string_view(text).substr(mark));
}

} // namespace tess
