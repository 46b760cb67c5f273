#include "json/JsonNodeList.h"

#include "platform/MessagePump.h"

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
    Node n{m_texts.refOf(ownName), m_texts.refOf(ownValue), clampLength(ownName.size()), clampLength(ownValue.size()),
           packLevel(1, 0), 0, 0};
    if (!valid(parent)) {
        n.ordinal = ++m_rootCount;
        m_nodes.push_back(n);
        setKindBits(nodeCount(), static_cast<int32_t>(kind));
        structureChanged();
        return nodeCount();
    }
    int32_t pos = subtreeEnd(parent);
    if (pos == -1)
        pos = nodeCount() + 1;
    Node& p = at(parent);
    n.levelKind = packLevel(p.level() + 1, 0);
    n.ordinal = ++p.childCount;
    shiftTags(pos, 1);
    m_nodes.insert(m_nodes.begin() + (pos - 1), n);
    setKindBits(pos, static_cast<int32_t>(kind));
    structureChanged();
    return pos;
}

int32_t JsonNodeList::subtreeEnd(int32_t index) const
{
    if (!valid(index))
        return -1;
    const int32_t level = at(index).level();
    int64_t j = int64_t(index) + 1;
    while (j >= 1 && j <= nodeCount()) {
        pumpMessages();
        const Node& n = at(static_cast<int32_t>(j));
        if (n.level() <= level)
            return static_cast<int32_t>(j);
        j += 1 + int64_t(std::max(n.childCount, 0));
    }
    return -1;
}

int32_t JsonNodeList::collectAtLevel(int32_t level, std::vector<int32_t>* out, bool collect, int32_t& start,
                                     int32_t kind, bool matchKind, int32_t& found, bool limitKind,
                                     int32_t& count) const
{
    if (collect && out)
        out->clear();
    found = 0;
    int32_t counted = 0;
    bool limited = false;
    const int32_t stop = scanLevel(level, start, [&](int32_t j) {
        const int32_t k = kindOfNode(j, at(j));
        if (matchKind && k == kind)
            return true;
        if (limitKind && k > kind) {
            limited = true;
            return true;
        }
        ++counted;
        if (collect && out)
            out->push_back(j);
        return false;
    });
    count = counted;
    if (stop == -1)
        return counted;
    if (!limited) {
        start = stop;
        found = 1;
    }
    return 0;
}

int32_t JsonNodeList::findNthAtLevel(int32_t level, int32_t n, int32_t start) const
{
    int32_t seen = 0;
    return scanLevel(level, start, [&](int32_t) { return ++seen == n; });
}

int32_t JsonNodeList::findChildByName(int32_t level, std::string_view name, int32_t from) const
{
    // Children of a container with many of them are looked up in an index of first
    // occurrences, built by the same scan the loop below makes.
    constexpr int32_t kIndexedChildren = 32;
    if (m_bulkLookups && valid(from) && level == at(from).level() + 1 && at(from).childCount > kIndexedChildren) {
        auto it = m_childIndex.find(from);
        if (it == m_childIndex.end()) {
            std::unordered_map<std::string_view, int32_t> index;
            index.reserve(static_cast<std::size_t>(at(from).childCount));
            scanLevel(level, from, [&](int32_t j) {
                index.emplace(nameView(j), j);
                return false;
            });
            it = m_childIndex.emplace(from, std::move(index)).first;
        }
        pumpMessages();
        const auto hit = it->second.find(name);
        return hit == it->second.end() ? -1 : hit->second;
    }
    return scanLevel(level, from, [&](int32_t j) { return nameView(j) == name; });
}

int32_t JsonNodeList::parentOf(int32_t index) const
{
    if (!valid(index))
        return -1;
    if (!m_bulkLookups)
        return parentByOrdinals(index);
    if (!m_parentsValid) {
        // One pass with a stack of open ancestors; a level that jumps by more than one
        // has no parent (-1), as the backward walk finds too.
        m_parents.assign(m_nodes.size(), -1);
        std::vector<int32_t> open;
        for (int32_t i = 1; i <= nodeCount(); ++i) {
            const int32_t level = at(i).level();
            while (!open.empty() && at(open.back()).level() >= level)
                open.pop_back();
            if (level == 1)
                m_parents[static_cast<std::size_t>(i - 1)] = 0;
            else if (!open.empty() && at(open.back()).level() == level - 1)
                m_parents[static_cast<std::size_t>(i - 1)] = open.back();
            open.push_back(i);
        }
        m_parentsValid = true;
    }
    return m_parents[static_cast<std::size_t>(index - 1)];
}

int32_t JsonNodeList::parentByOrdinals(int32_t index) const
{
    // Steps back by ordinals: a node with ordinal k has its parent and its k - 1 earlier
    // siblings before it, so each step lands on the parent or in an earlier sibling's
    // subtree, whose own ordinal carries the walk further back.
    const int32_t level = at(index).level();
    if (level == 1)
        return 0;
    int64_t i = index;
    for (;;) {
        i -= at(static_cast<int32_t>(i)).ordinal;
        if (i == 0)
            return 0;
        if (i < 0 || i > nodeCount())
            return -1;
        const int32_t l = at(static_cast<int32_t>(i)).level();
        if (l == level - 1)
            return static_cast<int32_t>(i);
        if (l < level - 1)
            return -1;
        if (at(static_cast<int32_t>(i)).ordinal < 1)
            return -1; // a broken table would never move back
    }
}

bool JsonNodeList::hasChildren(int32_t index) const
{
    return valid(index) && at(index).childCount != 0;
}

int32_t JsonNodeList::childCountOf(int32_t index) const
{
    return valid(index) ? at(index).childCount : -1;
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
    return valid(index) ? at(index).ordinal : -1;
}

std::string_view JsonNodeList::nameView(int32_t index) const
{
    if (!valid(index))
        return {};
    const Node& n = at(index);
    if (n.nameLen == kElementName)
        return elementName(n.name);
    return m_texts.view(n.name, n.nameLen);
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
    return m_texts.view(n.value, n.valueLen);
}

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

void JsonNodeList::clear()
{
    structureChanged();
    m_parents.clear();
    m_parents.shrink_to_fit();
    m_nodes.clear();
    m_nodes.shrink_to_fit();
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
        out.push_back(JsonNode{std::string(nameView(i)), kindOf(i), std::string(valueView(i)), tagOf(i), n.level(),
                               n.childCount, n.ordinal});
    }
    return out;
}

} // namespace tess
