#include "cli/CutOffCheck.h"

#include "platform/Codec.h"

#include <string_view>

namespace tess::cli {

CutOff findCutOff(const std::string& text, char quote, bool converted, bool utf8Mark)
{
    CutOff found;
    found.value = findUnclosedValue(text, quote);
    if (!found.value)
        return found;
    found.inputByte = found.value->offset;
    if (converted)
        found.inputByte = static_cast<int64_t>(codec::utf8SizeOf(std::string_view(text).substr(
                              0, static_cast<std::size_t>(found.value->offset)))) +
                          (utf8Mark ? 3 : 0);
    return found;
}

std::future<CutOff> findCutOffLater(std::shared_ptr<const std::string> text, char quote, bool converted, bool utf8Mark)
{
    return std::async(std::launch::async, [text = std::move(text), quote, converted, utf8Mark]() mutable {
        const CutOff found = findCutOff(*text, quote, converted, utf8Mark);
        text.reset(); // the engine may be done with it already
        return found;
    });
}

} // namespace tess::cli
