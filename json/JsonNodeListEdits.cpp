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
    at(index).name = m_texts.refOf(s);
    structureChanged();
    at(index).nameLen = clampLength(s.size());
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
    at(index).value = m_texts.refOf(s);
    at(index).valueLen = clampLength(s.size());
    return 1;
}

int32_t JsonNodeList::deleteNode(int32_t a, bool keepChildren)
{
    if (!valid(a))
        return 0;
    const int32_t level = at(a).level();
    int64_t end = a;
    do {
        end += int64_t(std::max(at(static_cast<int32_t>(end)).childCount, 0)) + 1;
    } while (end <= nodeCount() && at(static_cast<int32_t>(end)).level() > level);
    if (end > nodeCount())
        end = int64_t(nodeCount()) + 1;
    const int64_t size = end - a;

    const int32_t p = parentOf(a);
    const int32_t k = at(a).ordinal;
    int32_t q = -1;
    int32_t qOldChildren = 0;
    if (keepChildren && size > 1 && k > 1) {
        q = findNthAtLevel(level, k - 1, p);
        if (q != -1)
            qOldChildren = at(q).childCount;
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
    n.levelKind = packLevel(n.level(), plain ? static_cast<uint32_t>(kind) : 3u);
    if (plain)
        m_oddKinds.erase(index);
    else
        m_oddKinds[index] = kind;
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
    collectAtLevel(top ? 1 : at(parent).level() + 1, &children, true, start, 0, false, found, false, count);
    for (std::size_t i = static_cast<std::size_t>(std::max(from, 1)); i <= children.size(); ++i)
        at(children[i - 1]).ordinal = static_cast<int32_t>(i);
    if (top)
        m_rootCount = static_cast<int32_t>(children.size());
    else
        at(parent).childCount = static_cast<int32_t>(children.size());
}

} // namespace tess
