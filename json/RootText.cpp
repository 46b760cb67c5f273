#include "json/RootText.h"

#include <algorithm>
#include <cstring>

namespace tess {
namespace {

// Length of the common prefix of a and b.
std::size_t commonPrefix(const char* a, const char* b, std::size_t n)
{
    std::size_t k = 0;
    while (k + 32 <= n && std::memcmp(a + k, b + k, 32) == 0)
        k += 32;
    while (k < n && a[k] == b[k])
        ++k;
    return k;
}

constexpr std::string_view kPlaceholder = "#SYH#";
constexpr uint32_t kMaxPiece = (1u << 31) - 1;

} // namespace

std::optional<RootText> RootText::describe(std::string_view original, std::shared_ptr<const std::string> prepared)
{
    const std::string_view p = *prepared;
    if (original.size() > kMaxPiece || p.size() > kMaxPiece)
        return std::nullopt;
    RootText r;
    // Worth it only when the description stays well below the original's size.
    const std::size_t budget = original.size() / 8;
    // Every byte of the original beyond the prepared copy's length is a removed one, so
    // pretty text, where white space makes up a third of the bytes, is turned down here.
    if (original.size() > p.size() && original.size() - p.size() > budget)
        return std::nullopt;
    auto add = [&](uint32_t from, std::size_t length, bool removed) {
        if (!r.m_pieces.empty()) {
            Piece& last = r.m_pieces.back();
            if (last.removed == removed && last.from + last.length == from && last.length + length <= kMaxPiece) {
                last.length += static_cast<uint32_t>(length);
                return;
            }
        }
        r.m_pieces.push_back(Piece{from, static_cast<uint32_t>(length), removed ? 1u : 0u});
    };
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < original.size()) {
        const std::size_t same = commonPrefix(original.data() + i, p.data() + j, std::min(original.size() - i, p.size() - j));
        if (same > 0) {
            add(static_cast<uint32_t>(j), same, false);
            i += same;
            j += same;
            continue;
        }
        // The description is exact whatever is taken as removed here: it only has to
        // give back the original byte for byte. Taking "#SYH#" for an escaped quote and
        // everything else as one removed byte keeps it short for prepared texts.
        std::size_t take = 1;
        if (original[i] == '\\' && i + 1 < original.size() && original[i + 1] == '"' && p.substr(j, 5) == kPlaceholder) {
            take = 2;
            j += kPlaceholder.size();
        }
        add(static_cast<uint32_t>(r.m_removed.size()), take, true);
        r.m_removed.append(original.substr(i, take));
        i += take;
        if (r.m_removed.size() + r.m_pieces.size() * sizeof(Piece) > budget)
            return std::nullopt;
    }
    if (j != p.size())
        return std::nullopt; // the prepared copy holds more than the original accounts for
    r.m_prepared = std::move(prepared);
    r.m_size = original.size();
    r.m_pieces.shrink_to_fit();
    r.m_removed.shrink_to_fit();
    return r;
}

const std::string& RootText::text() const
{
    if (!m_made)
        m_made = std::make_unique<std::string>(copy());
    return *m_made;
}

std::string RootText::copy() const
{
    std::string made;
    made.reserve(m_size);
    forEachPiece([&](std::string_view run) {
        made.append(run);
        return true;
    });
    return made;
}

std::string RootText::prefix(std::size_t n) const
{
    std::string out;
    out.reserve(std::min(n, m_size));
    forEachPiece([&](std::string_view run) {
        out.append(run.substr(0, n - out.size()));
        return out.size() < n;
    });
    return out;
}

} // namespace tess
