#include "json/JsonNodeList.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace tess {

JsonNodeList::JsonNodeList() = default;
JsonNodeList::~JsonNodeList() = default;

std::string_view JsonNodeList::store(std::string_view text)
{
    if (text.empty())
        return {};
    if (text.size() <= 1024)
        return intern(text);
    m_owned.emplace_back(text);
    m_texts.add(m_owned.back().data(), m_owned.back().size());
    return m_owned.back();
}

std::string_view JsonNodeList::intern(std::string_view text)
{
    if (text.empty())
        return {};
    constexpr std::size_t kChunk = 256 * 1024;
    if (text.size() > kChunk / 4) {
        m_owned.emplace_back(text);
        m_texts.add(m_owned.back().data(), m_owned.back().size());
        return m_owned.back();
    }
    if (m_arena.empty() || m_arenaUsed + text.size() > m_arenaSize) {
        m_arena.push_back(std::make_unique<char[]>(kChunk));
        m_arenaUsed = 0;
        m_arenaSize = kChunk;
        m_texts.add(m_arena.back().get(), kChunk);
    }
    char* dst = m_arena.back().get() + m_arenaUsed;
    std::memcpy(dst, text.data(), text.size());
    m_arenaUsed += text.size();
    return {dst, text.size()};
}

std::string_view JsonNodeList::keepAlive(std::string text)
{
    if (text.empty())
        return {};
    m_owned.push_back(std::move(text));
    m_texts.add(m_owned.back().data(), m_owned.back().size());
    return m_owned.back();
}

void JsonNodeList::keepAlive(std::shared_ptr<const std::string> text)
{
    if (!text)
        return;
    m_texts.add(text->data(), text->size());
    m_shared.push_back(std::move(text));
}

std::size_t JsonNodeList::sharedBytes() const
{
    std::vector<const std::string*> seen;
    std::size_t bytes = 0;
    for (const auto& text : m_shared) {
        if (std::find(seen.begin(), seen.end(), text.get()) != seen.end())
            continue;
        seen.push_back(text.get());
        bytes += text->size();
    }
    return bytes;
}

void JsonNodeList::reserve(std::size_t nodes)
{
    if (nodes <= m_nodes.capacity())
        return;
    m_nodes.reserve(nodes);
    m_prefaultedTo = m_nodes.size();
    prefaultAhead(2 * kPrefaultWindow);
}

void JsonNodeList::prefaultAhead(std::size_t records)
{
    // One window at a time: the room reserved is an estimate, and may be far too large.
    const std::size_t from = std::max(m_prefaultedTo, m_nodes.size());
    const std::size_t to = std::min(m_nodes.capacity(), from + records);
    m_prefaultedTo = to;
    m_prefaultMark = to < m_nodes.capacity() ? to - kPrefaultWindow : SIZE_MAX;
    if (to > from)
        m_prefault.start(m_nodes.data() + from, (to - from) * sizeof(Node));
}

int32_t JsonNodeList::addNode(int32_t parent, std::string_view name, NodeKind kind, std::string_view value)
{
    m_foreignTexts = true;
    const std::string_view ownName = store(name);
    const std::string_view ownValue = store(value);
    Node n{m_texts.refOf(ownName), m_texts.refOf(ownValue), 0};
    const uint32_t nameLen = clampLength(ownName.size());
    const uint32_t valueLen = clampLength(ownValue.size());
    if (!valid(parent)) {
        setNumbers(n, 1, 0, ++m_rootCount, nameLen, valueLen);
        m_nodes.push_back(n);
        setKindBits(nodeCount(), static_cast<int32_t>(kind));
        structureChanged();
        return nodeCount();
    }
    int32_t pos = subtreeEnd(parent);
    if (pos == -1)
        pos = nodeCount() + 1;
    Node& p = at(parent);
    const int32_t ordinal = childCountOfNode(p) + 1;
    setChildCount(p, ordinal);
    setNumbers(n, levelOfNode(p) + 1, 0, ordinal, nameLen, valueLen);
    shiftTags(pos, 1);
    m_nodes.insert(m_nodes.begin() + (pos - 1), n);
    setKindBits(pos, static_cast<int32_t>(kind));
    structureChanged();
    return pos;
}

void JsonNodeList::appendWide(Node n, int32_t level, int32_t ordinal, uint32_t nameLen, uint32_t valueLen)
{
    setNumbers(n, level, 0, ordinal, nameLen, valueLen);
    m_nodes.push_back(n);
}

bool JsonNodeList::hasChildren(int32_t index) const
{
    return valid(index) && childCountOfNode(at(index)) != 0;
}

int32_t JsonNodeList::childCountOf(int32_t index) const
{
    return valid(index) ? childCountOfNode(at(index)) : -1;
}

std::string JsonNodeList::nameOf(int32_t index) const
{
    return std::string(nameView(index));
}

int32_t JsonNodeList::kindOf(int32_t index) const
{
    return valid(index) ? kindOfNode(index, at(index)) : -1;
}

int32_t JsonNodeList::tagOf(int32_t index) const
{
    if (!valid(index))
        return -1;
    const auto it = m_tags.find(index);
    return it == m_tags.end() ? 0 : it->second;
}

std::string JsonNodeList::valueOf(int32_t index) const
{
    return std::string(valueView(index));
}

int32_t JsonNodeList::ordinalOf(int32_t index) const
{
    return valid(index) ? ordinalOfNode(at(index)) : -1;
}

std::string_view JsonNodeList::nameView(int32_t index) const
{
    if (!valid(index))
        return {};
    const Node& n = at(index);
    if (isElement(n))
        return elementName(n.name);
    return m_texts.view(n.name, nameLenOfNode(n));
}

std::string_view JsonNodeList::elementName(uint32_t number) const
{
    const std::size_t run = number / kElementNameRun;
    if (run >= m_elementNames.size())
        m_elementNames.resize(run + 1);
    std::unique_ptr<ElementNames>& names = m_elementNames[run];
    if (!names) {
        names = std::make_unique<ElementNames>();
        names->starts.reserve(kElementNameRun + 1);
        const uint64_t first = uint64_t(run) * kElementNameRun;
        for (uint64_t k = first; k < first + kElementNameRun; ++k) {
            names->starts.push_back(static_cast<uint32_t>(names->text.size()));
            names->text.push_back('[');
            names->text.append(std::to_string(k));
            names->text.push_back(']');
        }
        names->starts.push_back(static_cast<uint32_t>(names->text.size()));
    }
    const std::size_t k = number % kElementNameRun;
    return std::string_view(names->text).substr(names->starts[k], names->starts[k + 1] - names->starts[k]);
}

std::string_view JsonNodeList::valueView(int32_t index) const
{
    if (!valid(index))
        return {};
    if (index == 1 && m_rootText)
        return m_rootText->view();
    const Node& n = at(index);
    return m_texts.view(n.value, valueLenOfNode(n));
}

void JsonNodeList::clear()
{
    structureChanged();
    m_parents.clear();
    m_parents.shrink_to_fit();
    m_nodes.clear();
    m_nodes.shrink_to_fit();
    m_wide.clear();
    m_wide.shrink_to_fit();
    m_prefaultMark = SIZE_MAX;
    m_prefaultedTo = 0;
    m_rootCount = 0;
    m_foreignTexts = false;
    m_tags.clear();
    m_oddKinds.clear();
    m_texts.clear();
    m_owned.clear();
    m_shared.clear();
    m_rootText.reset();
    m_arena.clear();
    m_arenaUsed = m_arenaSize = 0;
    m_elementNames.clear();
}

std::vector<JsonNode> JsonNodeList::snapshot() const
{
    std::vector<JsonNode> out;
    out.reserve(m_nodes.size());
    for (int32_t i = 1; i <= nodeCount(); ++i) {
        const Node& n = at(i);
        out.push_back(JsonNode{std::string(nameView(i)), kindOf(i), std::string(valueView(i)), tagOf(i), levelOfNode(n),
                               childCountOfNode(n), ordinalOfNode(n)});
    }
    return out;
}

} // namespace tess
