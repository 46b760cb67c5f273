#include "platform/InputText.h"

#include "platform/Codec.h"

#include <cstdint>
#include <cstring>
#include <optional>

namespace tess {
namespace {

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

// The text with a byte-order mark converted by it; without one, the bytes converted
// when they are well-formed UTF-8 holding more than ASCII. Nothing when they are taken as
// GB18030 as they are.
std::optional<std::string> convertedInput(std::string_view bytes)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        return codec::utf8ToGb18030(bytes.substr(3)).text;
    if (bytes.substr(0, 2) == "\xFF\xFE")
        return codec::convert("UTF-16LE", "GB18030", bytes.substr(2)).text;
    if (bytes.substr(0, 2) == "\xFE\xFF")
        return codec::convert("UTF-16BE", "GB18030", bytes.substr(2)).text;
    if (!hasNonAscii(bytes))
        return std::nullopt;
    std::optional<codec::ConvertResult> utf8 = codec::wellFormedUtf8ToGb18030(bytes);
    if (!utf8)
        return std::nullopt;
    return std::move(utf8->text);
}

} // namespace

std::string inputTextToGb18030(std::string_view bytes)
{
    std::optional<std::string> text = convertedInput(bytes);
    return text ? std::move(*text) : std::string(bytes);
}

void convertInputTextInPlace(std::string& text)
{
    if (std::optional<std::string> converted = convertedInput(text))
        text = std::move(*converted);
}

} // namespace tess
