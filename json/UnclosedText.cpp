#include "json/UnclosedText.h"

#include <string_view>
#include <vector>

namespace tess {
namespace {

// Walks the units of a text (a byte >= 0x80 takes the next byte with it, as the escape
// protection reads them) and calls f(offset, byte, escaped) for every one-byte unit, where
// escaped tells that an odd run of backslashes stands right before it.
template <typename F>
void forEachByte(std::string_view text, F&& f)
{
    const std::size_t n = text.size();
    bool odd = false; // an odd run of backslashes ends right before the current unit
    for (std::size_t i = 0; i < n;) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            i += 2;
            odd = false;
            continue;
        }
        f(i, static_cast<char>(c), odd);
        odd = c == '\\' && !odd;
        ++i;
    }
}

} // namespace

std::optional<UnclosedValue> findUnclosedValue(std::string_view text, char quote)
{
    // A quote pairs with the next one; a last quote without a partner opens no string.
    std::size_t quotes = 0;
    std::size_t lastQuote = std::string_view::npos;
    forEachByte(text, [&](std::size_t i, char c, bool escaped) {
        if (c == quote && !escaped) {
            ++quotes;
            lastQuote = i;
        }
    });
    const std::size_t unpaired = quotes % 2 == 1 ? lastQuote : std::string_view::npos;

    std::vector<UnclosedValue> open;
    bool inString = false;
    int64_t line = 1;
    forEachByte(text, [&](std::size_t i, char c, bool escaped) {
        if (c == '\n' || (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')))
            ++line;
        if (c == quote && !escaped && i != unpaired) {
            inString = !inString;
            return;
        }
        if (inString)
            return;
        if (c == '{' || c == '[')
            open.push_back({static_cast<int64_t>(i), line, c == '{' ? NodeKind::Object : NodeKind::Array});
        else if ((c == '}' || c == ']') && !open.empty())
            open.pop_back();
    });
    if (open.size() < 2)
        return std::nullopt;
    return open[1];
}

} // namespace tess
