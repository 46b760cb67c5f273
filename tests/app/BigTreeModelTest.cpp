// The lazy model of the big road: under Qt's model checker, its rows against a walk of
// the document, and rows reached far inside large containers without reading the rows
// before them.
#include "tree/widgets/BigTreeModel.h"

#include "json/big/BigWalk.h"
#include "platform/qt/QtText.h"

#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace tess {
namespace {

std::shared_ptr<big::BigDocument> openSmallSpans(const std::string& bytes)
{
    // Small spans, so that a test document has many kept containers and checkpoints.
    big::OpenOptions options;
    options.index.bigSpan = 64;
    options.index.checkpointSpan = 96;
    auto doc = std::make_shared<big::BigDocument>();
    doc->openBytes(bytes, options);
    return doc;
}

std::string randomDocument(std::mt19937& rng)
{
    auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    std::function<void(std::string&, int)> value = [&](std::string& out, int depth) {
        const int kind = depth > 4 ? 2 + pick(2) : pick(4);
        if (kind < 2) {
            out += kind == 0 ? '{' : '[';
            // now and then more children than a block of rows, or than the eager limit
            const int n = pick(10) == 0 ? BigTreeModel::kBlockRows * 2 + pick(50) : pick(6);
            for (int i = 0; i < n; ++i) {
                out += i ? ", " : "";
                if (kind == 0)
                    out += "\"k" + std::to_string(i) + "\" : ";
                value(out, depth + 1);
            }
            out += kind == 0 ? '}' : ']';
        } else if (kind == 2) {
            out += "\"s" + std::to_string(pick(1000)) + "\"";
        } else {
            out += std::to_string(pick(100000));
        }
    };
    std::string doc = "{\"root\":";
    value(doc, 0);
    return doc + ",\"wide\":[" + std::string("1,2,") + "[]]}";
}

// Every row of random documents, touched in pre-order under the model checker, is the node
// a walk of the document meets in the same order (caption and place).
TEST(BigTreeModel, RowsAreTheDocumentsNodesInTreeOrder)
{
    std::mt19937 rng(26);
    for (int round = 0; round < 6; ++round) {
        const std::string bytes = randomDocument(rng);
        auto doc = openSmallSpans(bytes);
        BigTreeModel model(doc, round % 2 == 0);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
        std::vector<big::Node> root(1);
        ASSERT_TRUE(doc->root(root[0]));
        big::NodeWalk walk(*doc, root, 0);
        std::vector<QModelIndex> todo;
        const QModelIndex top = model.index(0, 0);
        for (int r = model.rowCount(top) - 1; r >= 0; --r)
            todo.push_back(model.index(r, 0, top));
        std::size_t seen = 1;
        while (!todo.empty()) {
            const QModelIndex idx = todo.back();
            todo.pop_back();
            ASSERT_TRUE(walk.next()) << round;
            const big::Node& node = walk.node();
            EXPECT_EQ(model.nodeOf(idx).start, node.start);
            EXPECT_EQ(qt::toGb(model.data(idx).toString()), doc->caption(node, round % 2 == 0, BigTreeModel::kCaptionBytes));
            EXPECT_EQ(static_cast<uint64_t>(model.rowCount(idx)), doc->childCount(node));
            EXPECT_EQ(model.opens(idx), model.rowCount(idx) > 0);
            EXPECT_EQ(model.indexOfChain(model.chainOf(idx)), idx);
            ++seen;
            for (int r = model.rowCount(idx) - 1; r >= 0; --r)
                todo.push_back(model.index(r, 0, idx));
        }
        EXPECT_FALSE(walk.next());
        EXPECT_EQ(seen, doc->index().nodeCount);
        EXPECT_EQ(model.itemsRead(), seen);
    }
}

// A row far inside an array of many children is reached through the checkpoints: only its
// block of rows is read. Rows not read yet are taken to open, so that laying them out
// reads nothing; the opens role reads and tells.
TEST(BigTreeModel, FarRowsAreReadAloneInAnyOrder)
{
    constexpr int kCount = 60000;
    std::string bytes = R"({"list":[)";
    for (int i = 0; i < kCount; ++i)
        bytes += (i ? "," : "") + std::to_string(i * 7);
    bytes += R"(],"after":{"x":1}})";
    auto doc = openSmallSpans(bytes);
    BigTreeModel model(doc, true);
    const QModelIndex top = model.index(0, 0);
    const QModelIndex list = model.index(0, 0, top);
    ASSERT_EQ(model.rowCount(list), kCount);
    const std::size_t before = model.itemsRead();

    std::vector<big::Node> chain;
    ASSERT_TRUE(doc->root(chain.emplace_back()));
    ASSERT_TRUE(doc->child(chain[0], 0, chain.emplace_back()));
    ASSERT_TRUE(doc->child(chain[1], 50001, chain.emplace_back()));
    const QModelIndex far = model.indexOfChain(chain);
    EXPECT_EQ(far.row(), 50001);
    EXPECT_EQ(model.data(far).toString(), QStringLiteral("[50001]:350007"));
    EXPECT_LE(model.itemsRead(), before + BigTreeModel::kBlockRows);

    EXPECT_TRUE(model.hasChildren(model.index(3, 0, list))); // not read: a guess
    EXPECT_FALSE(model.isRead(model.index(3, 0, list)));
    EXPECT_FALSE(model.data(model.index(3, 0, list), BigTreeModel::kOpensRole).toBool());
    EXPECT_TRUE(model.isRead(model.index(3, 0, list)));
    EXPECT_FALSE(model.hasChildren(model.index(3, 0, list))); // read: known

    std::mt19937 rng(7);
    for (int k = 0; k < 300; ++k) {
        const int row = static_cast<int>(rng() % kCount);
        EXPECT_EQ(model.data(model.index(row, 0, list)).toString(),
                  QStringLiteral("[%1]:%2").arg(row).arg(row * 7));
    }
    EXPECT_LT(model.itemsRead(), before + 301u * BigTreeModel::kBlockRows);
    // The walk over what was read skips the blocks nobody touched.
    const int first = model.nextReadRow(list, 0);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(model.nextReadRow(list, 50001), 50001);
    EXPECT_EQ(model.nextReadRow(list, kCount), -1);
    EXPECT_EQ(model.data(model.index(1, 0, top)).toString(), QStringLiteral("after"));
}

} // namespace
} // namespace tess
