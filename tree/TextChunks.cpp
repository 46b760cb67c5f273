#include "tree/TextChunks.h"

#include "json/TextPatterns.h"

#include <algorithm>

namespace tess {
namespace {

// Bytes that may start white space: \s and the ideographic space (A1 A1).
bool mayStartSpace(char c)
{
    switch (static_cast<unsigned char>(c)) {
    case ' ':
    case '\t':
    case '\n':
    case '\v':
    case '\f':
    case '\r':
    case 0xA1:
        return true;
    default:
        return false;
    }
}

// The end of the last part in buffer[from, size): one past a comma outside strings (an
// even number of quotes before it, quotesBefore of them before the buffer) followed by a
// byte that starts no white space, or 0. A comma or a quote is never part of a two- or
// four-byte GB18030 character, so it always stands for itself.
std::size_t lastCut(std::string_view buffer, std::size_t from, std::size_t quotesBefore)
{
    std::size_t quotes = quotesBefore + static_cast<std::size_t>(std::count(buffer.begin(), buffer.end(), '"'));
    if (buffer.back() == '"')
        --quotes; // quotes now counts those before buffer.size() - 1
    for (std::size_t k = buffer.size() - 1; k-- > from;) {
        if (buffer[k] == '"')
            --quotes;
        else if (buffer[k] == ',' && quotes % 2 == 0 && !mayStartSpace(buffer[k + 1]))
            return k + 1;
    }
    return 0;
}

} // namespace

bool forEachTextPart(const SharedText& text, std::size_t chunkSize, const std::function<bool(std::string_view)>& visit)
{
    chunkSize = std::max<std::size_t>(chunkSize, 1);
    std::string buffer;
    std::size_t from = 0; // buffer[from, size - 1) was searched and holds no cut
    std::size_t quotes = 0; // in the parts visited so far
    const bool whole = text.forEachPiece([&](std::string_view run) {
        while (!run.empty()) {
            const std::size_t take = std::min(run.size(), chunkSize);
            buffer.append(run.substr(0, take));
            run.remove_prefix(take);
            if (buffer.size() <= chunkSize)
                continue;
            const std::size_t end = lastCut(buffer, from, quotes);
            if (end == 0) {
                from = buffer.size() - 1;
                continue;
            }
            const std::string_view part = std::string_view(buffer).substr(0, end);
            if (!visit(part))
                return false;
            quotes += static_cast<std::size_t>(std::count(part.begin(), part.end(), '"'));
            buffer.erase(0, end);
            from = 0;
        }
        return true;
    });
    return whole && (buffer.empty() || visit(buffer));
}

std::optional<std::string> compactedText(const SharedText& text, std::size_t chunkSize)
{
    if (forEachTextPart(text, chunkSize, [](std::string_view part) { return patterns::isCompact(part); }))
        return std::nullopt;
    std::string out;
    out.reserve(text.size());
    forEachTextPart(text, chunkSize, [&](std::string_view part) {
        out += patterns::compactWhitespace(part);
        return true;
    });
    out.shrink_to_fit();
    return out;
}

} // namespace tess
