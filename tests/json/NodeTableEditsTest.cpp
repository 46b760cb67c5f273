// The node table keeps small numbers packed and large ones aside; whichever way a node
// is kept, every edit must leave the table as a plain list of rows would be left. Tables
// with texts, counts, depths and ordinals on both sides of the packing limits are parsed,
// checked against the reference parser, then edited at random next to a row model.
#include "EngineTestSupport.h"
#include "ReferenceParser.h"

#include <gtest/gtest.h>

#include <random>

using tess::JsonDocument;
using tess::JsonNode;
using tess::JsonNodeList;
using tess::NodeKind;
using tess::testing::dumpNodes;

namespace {

// The table's operations on plain rows (index i is rows[i - 1]).
struct RowModel {
    std::vector<JsonNode> rows;
    int32_t rootCount = 0;

    int32_t count() const { return static_cast<int32_t>(rows.size()); }
    JsonNode& at(int64_t i) { return rows[static_cast<std::size_t>(i - 1)]; }

    int32_t subtreeEnd(int32_t index)
    {
        for (int64_t j = index + 1; j <= count(); j += 1 + std::max(at(j).childCount, 0))
            if (at(j).level <= at(index).level)
                return static_cast<int32_t>(j);
        return -1;
    }
    std::vector<int32_t> atLevel(int32_t level, int32_t start)
    {
        std::vector<int32_t> out;
        for (int64_t j = std::max(start, 0) + 1; j <= count();) {
            if (at(j).level == level)
                out.push_back(static_cast<int32_t>(j++));
            else if (at(j).level < level)
                break;
            else
                j += 1 + std::max(at(j).childCount, 0);
        }
        return out;
    }
    int32_t parentOf(int32_t index)
    {
        const int32_t level = at(index).level;
        if (level == 1)
            return 0;
        for (int64_t i = index;;) {
            i -= at(i).ordinal;
            if (i <= 0 || i > count())
                return i == 0 ? 0 : -1;
            if (at(i).level == level - 1)
                return static_cast<int32_t>(i);
            if (at(i).level < level - 1 || at(i).ordinal < 1)
                return -1;
        }
    }
    void renumber(int32_t parent, int32_t from)
    {
        const std::vector<int32_t> children = atLevel(parent <= 0 ? 1 : at(parent).level + 1, std::max(parent, 0));
        for (std::size_t i = static_cast<std::size_t>(std::max(from, 1)); i <= children.size(); ++i)
            at(children[i - 1]).ordinal = static_cast<int32_t>(i);
        (parent <= 0 ? rootCount : at(parent).childCount) = static_cast<int32_t>(children.size());
    }
    int32_t addNode(int32_t parent, const std::string& name, NodeKind kind, const std::string& value)
    {
        const int32_t k = static_cast<int32_t>(kind);
        if (parent < 1 || parent > count()) {
            rows.push_back(JsonNode{name, k, value, 0, 1, 0, ++rootCount});
            return count();
        }
        int32_t pos = subtreeEnd(parent);
        if (pos == -1)
            pos = count() + 1;
        JsonNode& p = at(parent);
        const JsonNode n{name, k, value, 0, p.level + 1, 0, ++p.childCount};
        rows.insert(rows.begin() + (pos - 1), n);
        return pos;
    }
    void deleteNode(int32_t a, bool keepChildren)
    {
        const int32_t level = at(a).level;
        int64_t end = a;
        do
            end += std::max(at(end).childCount, 0) + 1;
        while (end <= count() && at(end).level > level);
        end = std::min<int64_t>(end, count() + 1);
        const int32_t p = parentOf(a);
        const int32_t k = at(a).ordinal;
        int32_t q = -1;
        int32_t qOld = 0;
        if (keepChildren && end - a > 1 && k > 1) {
            const std::vector<int32_t> siblings = atLevel(level, p);
            if (static_cast<std::size_t>(k - 1) <= siblings.size()) {
                q = siblings[static_cast<std::size_t>(k - 2)];
                qOld = at(q).childCount;
            }
        }
        const int64_t removed = keepChildren && k > 1 ? 1 : end - a;
        rows.erase(rows.begin() + (a - 1), rows.begin() + (a - 1 + removed));
        renumber(p, k);
        if (q != -1)
            renumber(q, qOld + 1);
    }
};

// Texts around the packing limits: names of 1023/1024 bytes, values of 65535/65536 bytes,
// arrays past 4095 elements, objects past 4095 members, nesting past 1023 levels.
std::string limitText(std::mt19937& rng)
{
    auto pick = [&](std::initializer_list<int> v) { return *(v.begin() + rng() % v.size()); };
    std::string t = "{\"" + std::string(static_cast<std::size_t>(pick({3, 1023, 1024})), 'k') + "\":\"" +
                    std::string(static_cast<std::size_t>(pick({0, 65533, 65534, 70000})), 'v') + "\",\"a\":[";
    const int elements = pick({3, 4094, 4095, 4097});
    for (int i = 0; i < elements; ++i)
        t += (i ? "," : "") + (i % 500 == 7 ? std::string("[1,{\"x\":2}]") : std::to_string(i));
    t += "],\"o\":{";
    const int members = pick({2, 4096});
    for (int i = 0; i < members; ++i)
        t += (i ? ",\"m" : "\"m") + std::to_string(i) + "\":" + std::to_string(i);
    // 1022 arrays below "d" reach the deepest level a text may open (json/NestingLimit.h),
    // and the numbers inside them lie past the packed level's 1023
    const int depth = pick({4, 1020, 1022});
    t += "},\"d\":" + std::string(static_cast<std::size_t>(depth), '[') + "1,2" +
         std::string(static_cast<std::size_t>(depth), ']') + "}";
    return t;
}

void expectSameTable(JsonNodeList& table, RowModel& model, const std::string& label)
{
    ASSERT_EQ(table.nodeCount(), model.count()) << label;
    ASSERT_EQ(table.rootCount(), model.rootCount) << label;
    const std::vector<JsonNode> rows = table.snapshot();
    for (int32_t i = 1; i <= model.count(); ++i) {
        const JsonNode& want = model.at(i);
        const JsonNode& got = rows[static_cast<std::size_t>(i - 1)];
        ASSERT_TRUE(got.name == want.name && got.value == want.value && got.kind == want.kind &&
                    got.tag == want.tag && got.level == want.level && got.childCount == want.childCount &&
                    got.ordinal == want.ordinal)
            << label << " node " << i << ": " << dumpNodes({got}) << " wanted " << dumpNodes({want});
        ASSERT_EQ(table.parentByOrdinals(i), model.parentOf(i)) << label << " node " << i;
        ASSERT_EQ(table.textsOf(i).level, want.level) << label << " node " << i;
    }
}

} // namespace

TEST(NodeTableEdits, NumbersOnBothSidesOfThePackingLimitsSurviveEveryEdit)
{
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        std::mt19937 rng(seed);
        std::string text = limitText(rng);
        const bool zeroBased = seed % 2 == 0;
        JsonDocument doc;
        doc.parse(text, zeroBased, false);
        JsonNodeList& table = doc.nodes();
        RowModel model{tess::testing::referenceParse(text, zeroBased), 1};
        const std::string label = "seed " + std::to_string(seed);
        expectSameTable(table, model, label + " parsed");

        // Ordinals of the big array's elements drift away from their names by more than
        // the packed difference holds.
        if (seed <= 2) {
            for (int k = 0; k < 1100 && table.nodeCount() > 4 && table.levelOf(4) == 3; ++k) {
                table.deleteNode(4, false);
                model.deleteNode(4, false);
            }
            expectSameTable(table, model, label + " front removed");
        }

        const std::string longText(70000, 'L');
        for (int op = 0; op < 120; ++op) {
            const int32_t n = table.nodeCount();
            if (n == 0) { // the root went
                ASSERT_EQ(table.addNode(-1, "r", NodeKind::Object, "{}"), model.addNode(-1, "r", NodeKind::Object, "{}"));
                continue;
            }
            const int32_t i = 1 + static_cast<int32_t>(rng() % static_cast<uint32_t>(n));
            const std::string what = label + " op " + std::to_string(op);
            switch (rng() % 6) {
            case 0: { // removes runs from the front of the big array, moving its ordinals
                const bool keep = rng() % 2 == 0;
                const int32_t victim = i > 1 && rng() % 3 ? i : std::min(n, 4);
                table.deleteNode(victim, keep);
                model.deleteNode(victim, keep);
                break;
            }
            case 1: {
                const std::string name = rng() % 2 ? "n" : std::string(1024 + rng() % 2, 'N');
                const std::string value = rng() % 2 ? "v" : longText;
                const int32_t parent = rng() % 8 ? i : -1;
                const int32_t kind = static_cast<int32_t>(rng() % 3);
                ASSERT_EQ(table.addNode(parent, name, NodeKind(kind), value),
                          model.addNode(parent, name, NodeKind(kind), value))
                    << what;
                break;
            }
            case 2: {
                const std::string name = rng() % 2 ? "[" + std::to_string(rng() % 9) + "]" : std::string(1023, 'x');
                table.setName(i, name);
                model.at(i).name = name;
                break;
            }
            case 3: {
                const std::string value = rng() % 2 ? std::to_string(rng()) : longText.substr(0, 65535 + rng() % 3);
                table.setValue(i, value);
                model.at(i).value = value;
                break;
            }
            case 4: {
                const int32_t kind = static_cast<int32_t>(rng() % 5) - 1;
                table.setKind(i, kind);
                table.setTag(i, kind, false);
                model.at(i).kind = kind;
                model.at(i).tag = kind;
                break;
            }
            default: {
                const int32_t parent = rng() % 4 ? model.parentOf(i) : 0;
                const int32_t from = 1 + static_cast<int32_t>(rng() % 3);
                table.renumber(parent, from);
                model.renumber(parent, from);
                break;
            }
            }
            if (op % 10 == 9 || n < 64)
                expectSameTable(table, model, what);
        }
        expectSameTable(table, model, label + " end");
    }
}
