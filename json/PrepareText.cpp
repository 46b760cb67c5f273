// Preparing a text for the scanner: escapes protected, white space next to structure
// removed, in one pass where it can.
#include "json/ScanBuffer.h"

#include "json/JsonScanner.h"
#include "json/TextPatterns.h"

namespace tess {

std::string prepareText(std::string_view text)
{
    return JsonScanner::compactWhitespace(JsonScanner::protectEscapes(text));
}

bool prepareTextInto(std::string_view text, std::string& out)
{
    // Protecting escapes can only change a text holding \" or \| (byte-wise, so this
    // errs on the safe side); compacting only one with white space next to structure.
    // One pass looks for both.
    if (patterns::isCompactWithoutEscapes(text))
        return false;
    // Usually both steps in one pass, with one copy.
    const int fused = patterns::protectAndCompactInto(text, out);
    if (fused >= 0)
        return fused == 1;
    std::string protectedText;
    const bool escaped = JsonScanner::protectEscapesInto(text, protectedText);
    const std::string_view step = escaped ? std::string_view(protectedText) : text;
    if (patterns::isCompact(step)) {
        if (!escaped)
            return false;
        out = std::move(protectedText);
        return true;
    }
    out = patterns::compactWhitespace(step);
    return out != text;
}

} // namespace tess
