// Editing the node table: names, kinds, tags and values changed, nodes deleted, and the
// element numbers and tags kept in step.
#include "json/JsonNodeList.h"

#include <algorithm>

namespace tess {

int32_t JsonNodeList::setName(int32_t index, std::string_view name)
{
    if (!valid(index))
        return 0;
    m_foreignTexts = true;
    const std::string_view s = store(name);
    Node& n = at(index);
    // An element's ordinal is kept relative to its number: read it before the name goes.
    const int32_t ordinal = ordinalOfNode(n);
    const int32_t level = levelOfNode(n);
    const int32_t childCount = childCountOfNode(n);
    const uint32_t valueLen = valueLenOfNode(n);
    n.name = m_texts.refOf(s);
    n.meta &= ~kElementBit;
    setNumbers(n, level, childCount, ordinal, clampLength(s.size()), valueLen);
    structureChanged();
    return 1;
}

int32_t JsonNodeList::setKind(int32_t index, int32_t kind)
{
    if (!valid(index))
        return 0;
    setKindBits(index, kind);
    return 1;
}

int32_t JsonNodeList::setTag(int32_t index, int32_t tag, bool add)
{
    if (!valid(index))
        return 0;
    const int32_t value = add ? static_cast<int32_t>(uint32_t(tagOf(index)) + uint32_t(tag)) : tag;
    if (value == 0)
        m_tags.erase(index);
    else
        m_tags[index] = value;
    return 1;
}

int32_t JsonNodeList::setValue(int32_t index, std::string_view value)
{
    if (!valid(index))
        return 0;
    m_foreignTexts = true;
    if (index == 1)
        m_rootText.reset();
    const std::string_view s = store(value);
    Node& n = at(index);
    n.value = m_texts.refOf(s);
    setNumbers(n, levelOfNode(n), childCountOfNode(n), ordinalOfNode(n), nameLenOfNode(n), clampLength(s.size()));
    return 1;
}

int32_t JsonNodeList::deleteNode(int32_t a, bool keepChildren)
{
    if (!valid(a))
        return 0;
    const int32_t level = levelOfNode(at(a));
    int64_t end = a;
    do {
        end += int64_t(std::max(childCountOfNode(at(static_cast<int32_t>(end))), 0)) + 1;
    } while (end <= nodeCount() && levelOfNode(at(static_cast<int32_t>(end))) > level);
    if (end > nodeCount())
        end = int64_t(nodeCount()) + 1;
    const int64_t size = end - a;

    const int32_t p = parentOf(a);
    const int32_t k = ordinalOfNode(at(a));
    int32_t q = -1;
    int32_t qOldChildren = 0;
    if (keepChildren && size > 1 && k > 1) {
        q = findNthAtLevel(level, k - 1, p);
        if (q != -1)
            qOldChildren = childCountOfNode(at(q));
    }
    const int64_t removed = keepChildren && k > 1 ? 1 : size;
    for (int64_t i = a; i < a + removed; ++i) {
        m_tags.erase(static_cast<int32_t>(i));
        m_oddKinds.erase(static_cast<int32_t>(i));
    }
    shiftTags(static_cast<int32_t>(a + removed), static_cast<int32_t>(-removed));
    if (a == 1)
        m_rootText.reset();
    m_nodes.erase(m_nodes.begin() + (a - 1), m_nodes.begin() + (a - 1 + removed));
    structureChanged();
    renumber(p, k);
    if (q != -1)
        renumber(q, qOldChildren + 1);
    return 1;
}

void JsonNodeList::shiftTags(int32_t from, int32_t delta)
{
    for (auto* map : {&m_tags, &m_oddKinds}) {
        if (map->empty())
            continue;
        std::unordered_map<int32_t, int32_t> moved;
        for (const auto& [index, value] : *map)
            moved.emplace(index >= from ? index + delta : index, value);
        map->swap(moved);
    }
}

int32_t JsonNodeList::oddKind(int32_t index) const
{
    const auto it = m_oddKinds.find(index);
    return it == m_oddKinds.end() ? 0 : it->second;
}

void JsonNodeList::setKindBits(int32_t index, int32_t kind)
{
    Node& n = at(index);
    const bool plain = isPlainKind(kind);
    n.meta = (n.meta & ~kKindMask) | (plain ? static_cast<uint32_t>(kind) : 3u);
    if (plain)
        m_oddKinds.erase(index);
    else
        m_oddKinds[index] = kind;
}

void JsonNodeList::setNumbers(Node& n, int32_t level, int32_t childCount, int32_t ordinal, uint32_t nameLen,
                              uint32_t valueLen)
{
    if (isWide(n)) {
        wide(n) = Wide{level, childCount, ordinal, nameLen, valueLen};
        return;
    }
    if (pack(n, level, childCount, ordinal, nameLen, valueLen))
        return;
    n.meta = (n.meta & (kKindMask | kElementBit)) | kWideBit | kWideFill | (Meta(m_wide.size()) << kSlotShift);
    m_wide.push_back(Wide{level, childCount, ordinal, nameLen, valueLen});
}

void JsonNodeList::setChildCount(Node& n, int32_t count)
{
    if (isWide(n))
        wide(n).childCount = count;
    else
        setNumbers(n, levelOfNode(n), count, ordinalOfNode(n), nameLenOfNode(n), valueLenOfNode(n));
}

void JsonNodeList::setOrdinal(Node& n, int32_t ordinal)
{
    if (isWide(n))
        wide(n).ordinal = ordinal;
    else
        setNumbers(n, levelOfNode(n), childCountOfNode(n), ordinal, nameLenOfNode(n), valueLenOfNode(n));
}

void JsonNodeList::renumber(int32_t parent, int32_t from)
{
    structureChanged();
    const bool top = parent <= 0;
    if (!top && !valid(parent))
        return;
    std::vector<int32_t> children;
    int32_t start = top ? 0 : parent;
    int32_t found = 0;
    int32_t count = 0;
    collectAtLevel(top ? 1 : levelOfNode(at(parent)) + 1, &children, true, start, 0, false, found, false, count);
    for (std::size_t i = static_cast<std::size_t>(std::max(from, 1)); i <= children.size(); ++i)
        setOrdinal(at(children[i - 1]), static_cast<int32_t>(i));
    if (top)
        m_rootCount = static_cast<int32_t>(children.size());
    else
        setChildCount(at(parent), static_cast<int32_t>(children.size()));
}

} // namespace tess
