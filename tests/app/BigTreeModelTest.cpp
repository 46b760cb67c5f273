// The lazy model of the big road under Qt's model checker, read to the end.
#include "tree/widgets/BigTreeModel.h"

#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

namespace tess {
namespace {

TEST(BigTreeModel, PassesTheModelTesterWhileEveryContainerIsRead)
{
    // One array long enough to need several batches.
    std::string bytes = R"({"a":[1,{"b":[]},[[2]]],"s":"t","n":null,"long":[)";
    for (int i = 0; i < BigTreeModel::kBatch + 5; ++i)
        bytes += "0,";
    bytes += "1]}";
    auto doc = std::make_shared<big::BigDocument>();
    doc->openBytes(bytes, {});
    BigTreeModel model(doc, false);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    std::vector<QModelIndex> todo{model.index(0, 0)};
    std::size_t seen = 0;
    while (!todo.empty()) {
        const QModelIndex idx = todo.back();
        todo.pop_back();
        ++seen;
        while (model.canFetchMore(idx))
            model.fetchMore(idx);
        EXPECT_EQ(model.hasChildren(idx), model.rowCount(idx) > 0);
        for (int r = 0; r < model.rowCount(idx); ++r)
            todo.push_back(model.index(r, 0, idx));
    }
    EXPECT_EQ(seen, doc->index().nodeCount);
    const QModelIndex longArray = model.index(3, 0, model.index(0, 0));
    EXPECT_EQ(model.data(longArray).toString(), QStringLiteral("long"));
    EXPECT_EQ(model.rowCount(longArray), BigTreeModel::kBatch + 6);
    // A chain found in the bytes leads to its row.
    const auto chain = doc->chainAt(bytes.find("[2]") + 1);
    const QModelIndex found = model.indexOfChain(chain);
    EXPECT_EQ(model.data(found).toString(), QStringLiteral("[1]:2"));
}

} // namespace
} // namespace tess
