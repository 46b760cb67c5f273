#include "json/RootText.h"

#include "json/JsonNode.h"

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

constexpr std::string_view kPlaceholder = kQuotePlaceholder;
constexpr std::size_t kMaxText = (std::size_t(1) << 31) - 1;

} // namespace

std::optional<RootText> RootText::describe(std::string_view original, std::shared_ptr<const std::string> prepared)
{
    static_assert(kPlaceholder.size() == kPlaceholderSize);
    const std::string_view p = *prepared;
    if (original.size() > kMaxText || p.size() > kMaxText)
        return std::nullopt;
    RootText r;
    // Worth it only when the description stays well below the original's size.
    const std::size_t budget = original.size() / 8;
    // Every byte of the original beyond the prepared copy's length is a removed one, so
    // pretty text, where white space makes up a third of the bytes, is turned down here.
    if (original.size() > p.size() && original.size() - p.size() > budget)
        return std::nullopt;
    auto cost = [&r] {
        return r.m_quotes.size() * sizeof(uint32_t) + r.m_removedRuns.size() * sizeof(Removed) + r.m_removed.size();
    };
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < original.size()) {
        const std::size_t same = commonPrefix(original.data() + i, p.data() + j, std::min(original.size() - i, p.size() - j));
        if (same > 0) {
            i += same;
            j += same;
            continue;
        }
        // The description is exact whatever is taken as removed here: it only has to
        // give back the original byte for byte. Taking "#SYH#" for an escaped quote and
        // everything else as one removed byte keeps it short for prepared texts.
        if (original[i] == '\\' && i + 1 < original.size() && original[i + 1] == '"' && p.substr(j, kPlaceholderSize) == kPlaceholder) {
            r.m_quotes.push_back(static_cast<uint32_t>(j));
            i += 2;
            j += kPlaceholderSize;
        } else {
            const auto at = static_cast<uint32_t>(j);
            const auto from = static_cast<uint32_t>(r.m_removed.size());
            if (!r.m_removedRuns.empty() && r.m_removedRuns.back().at == at &&
                r.m_removedRuns.back().from + r.m_removedRuns.back().length == from)
                ++r.m_removedRuns.back().length;
            else
                r.m_removedRuns.push_back(Removed{at, from, 1});
            r.m_removed.push_back(original[i]);
            ++i;
        }
        if (cost() > budget)
            return std::nullopt;
    }
    if (j != p.size())
        return std::nullopt; // the prepared copy holds more than the original accounts for
    r.m_prepared = std::move(prepared);
    r.m_size = original.size();
    r.m_quotes.shrink_to_fit();
    r.m_removedRuns.shrink_to_fit();
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
