// The tree model over tree content blocks: structure checked by QAbstractItemModelTester
// and by walking the model, the depth rule, item/index mapping, read-back and icons.
#include "platform/Codec.h"
#include "json/TreeContentBuffer.h"
#include "tree/widgets/TreeIcons.h"
#include "tree/widgets/TreeModel.h"

#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace tess {
namespace {

struct Rec {
    std::string caption;
    int depth;
    int image = 0;
};

std::string blockOf(const std::vector<Rec>& recs)
{
    TreeContentBuffer b;
    int value = 1;
    for (const Rec& r : recs)
        b.appendItem(r.caption, r.image, r.image, value++, 0, 0, r.depth);
    return b.take();
}

// The structure as "caption(children...)" text, walking the model through its API.
std::string shape(const TreeModel& m, const QModelIndex& parent = {})
{
    std::string out;
    for (int r = 0; r < m.rowCount(parent); ++r) {
        const QModelIndex i = m.index(r, 0, parent);
        if (r)
            out += ',';
        out += m.data(i).toString().toStdString();
        if (m.rowCount(i) > 0)
            out += "(" + shape(m, i) + ")";
    }
    return out;
}

void expectConsistentMapping(const TreeModel& m)
{
    for (int item = 0; item < m.itemCount(); ++item) {
        const QModelIndex idx = m.indexOfItem(item);
        ASSERT_TRUE(idx.isValid());
        EXPECT_EQ(m.itemOfIndex(idx), item);
        EXPECT_EQ(m.index(idx.row(), 0, m.parent(idx)), idx);
    }
    EXPECT_FALSE(m.indexOfItem(-1).isValid());
    EXPECT_FALSE(m.indexOfItem(m.itemCount()).isValid());
}

TEST(TreeModel, EmptyModelAndEmptyBlockPassTheTester)
{
    TreeModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(m.rowCount(), 0);
    m.replaceAll("");
    EXPECT_EQ(m.itemCount(), 0);
    m.addTopLevelItem("notice");
    EXPECT_EQ(m.itemCount(), 1);
    m.clear();
    EXPECT_EQ(m.rowCount(), 0);
}

TEST(TreeModel, NestsByDepthIncludingSkippedLevels)
{
    TreeModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    // A level-3 record right after a level-1 sibling becomes a child of that sibling;
    // a level-2 record after it closes level 3 and continues under the same parent.
    m.replaceAll(blockOf({{"JSON", 1}, {"a:1", 2}, {"b", 2}, {"[1]:true", 3}, {"[2]:\"x\"", 3}, {"c", 2}}));
    EXPECT_EQ(shape(m), "JSON(a:1,b([1]:true,[2]:\"x\"),c)");
    m.replaceAll(blockOf({{"r1", 1}, {"r2", 1}, {"deep", 3}, {"mid", 2}, {"r3", 1}}));
    EXPECT_EQ(shape(m), "r1,r2(deep,mid),r3");
    // The first record's depth is the top level; shallower records stay at the top.
    m.replaceAll(blockOf({{"x", 4}, {"y", 5}, {"z", 2}}));
    EXPECT_EQ(shape(m), "x(y),z");
    expectConsistentMapping(m);
}

TEST(TreeModel, DeepDocumentPassesTheTester)
{
    std::vector<Rec> recs;
    for (int d = 1; d <= 600; ++d)
        recs.push_back({"n" + std::to_string(d), d});
    TreeModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    m.replaceAll(blockOf(recs));
    ASSERT_EQ(m.itemCount(), 600);
    EXPECT_EQ(m.itemDepth(599), 600);
    expectConsistentMapping(m);
    QModelIndex leaf = m.indexOfItem(599);
    int steps = 0;
    while (leaf.isValid()) {
        leaf = m.parent(leaf);
        ++steps;
    }
    EXPECT_EQ(steps, 600);
}

TEST(TreeModel, WideDocumentPassesTheTester)
{
    std::vector<Rec> recs{{"root", 1, 2}};
    for (int i = 0; i < 5000; ++i)
        recs.push_back({"[" + std::to_string(i + 1) + "]:" + std::to_string(i), 2});
    TreeModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    m.replaceAll(blockOf(recs));
    const QModelIndex root = m.index(0, 0);
    ASSERT_EQ(m.rowCount(root), 5000);
    EXPECT_EQ(m.data(m.index(4999, 0, root)).toString(), QStringLiteral("[5000]:4999"));
    EXPECT_EQ(m.itemOfIndex(m.index(4999, 0, root)), 5000);
    EXPECT_FALSE(m.index(5000, 0, root).isValid());
    EXPECT_FALSE(m.index(0, 1, root).isValid());
}

TEST(TreeModel, BrokenBlocksGiveWholeRecordsOnly)
{
    TreeModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    std::string block = blockOf({{"a", 1}, {"b", 2}, {"c", 2}});
    // Truncated inside the last record's tail: the last record is dropped.
    m.replaceAll(std::string_view(block).substr(0, block.size() - 3));
    EXPECT_EQ(shape(m), "a(b)");
    // A caption without its zero byte, and random garbage: no crash, consistent model.
    m.replaceAll("no terminator");
    EXPECT_EQ(m.itemCount(), 0);
    std::mt19937 rng(7);
    for (int round = 0; round < 50; ++round) {
        std::string junk(static_cast<std::size_t>(rng() % 400), '\0');
        for (char& c : junk)
            c = static_cast<char>(rng() % 4 == 0 ? 0 : rng());
        m.replaceAll(junk);
        expectConsistentMapping(m);
    }
}

TEST(TreeModel, ReadBackGivesTheRecordsWithCutCaptions)
{
    const std::string gbChar(codec::gb(u8"中"));
    std::string longCaption(509, 'x');
    longCaption += gbChar; // bytes 509..510: the unit would end past 510
    longCaption += "tail";
    TreeModel m;
    m.replaceAll(blockOf({{"root", 1, 1}, {longCaption, 2, 0}, {"arr", 2, 2}, {"[1]:1", 3, 0}}));
    m.setItemCaption(0, "a much longer root caption than before");
    TreeContentBuffer out;
    m.readBack(out);
    const std::vector<TreeItemRecord> recs = readTreeContent(out.bytes());
    ASSERT_EQ(recs.size(), 4u);
    EXPECT_EQ(recs[0].caption, "a much longer root caption than before");
    EXPECT_EQ(recs[0].image, 1); // a new caption keeps the rest of the record
    EXPECT_EQ(recs[0].itemValue, 1);
    EXPECT_EQ(recs[1].caption, std::string(509, 'x'));
    EXPECT_EQ(recs[2].caption, "arr");
    EXPECT_EQ(recs[2].image, 2);
    EXPECT_EQ(recs[3].depth, 3);
    EXPECT_EQ(recs[3].itemValue, 4);
    EXPECT_EQ(recs[3].checkState, 0x10);
    // The full caption stays in the model.
    EXPECT_EQ(m.itemCaption(1), longCaption);
}

TEST(TreeModel, AGivenBlockIsKeptNotCopied)
{
    const std::string bytes = blockOf({{"root", 1, 1}, {"a:1", 2}, {"b", 2}, {"[1]:2", 3}});
    TreeContentBlock block(bytes.size());
    std::memcpy(block.data(), bytes.data(), bytes.size());
    const char* where = block.data();
    TreeModel m;
    m.replaceAll(std::move(block));
    EXPECT_EQ(shape(m), "root(a:1,b([1]:2))");
    EXPECT_EQ(m.itemCaption(0).data(), where);
    EXPECT_EQ(m.itemImage(0), 1);
    EXPECT_EQ(m.itemValue(3), 4);
    m.setItemCaption(2, "c");
    m.setItemCaption(2, "a longer caption for b");
    EXPECT_EQ(shape(m), "root(a:1,a longer caption for b([1]:2))");
    EXPECT_EQ(m.itemValue(2), 3);
    expectConsistentMapping(m);
}

TEST(TreeModel, CaptionsShowAsUnicodeAndIconsFollowTheSet)
{
    TreeIcons icons;
    TreeModel m;
    m.setIcons(&icons);
    std::string caption(codec::gb(u8"名字:\"值€😀\""));
    m.replaceAll(blockOf({{caption, 1, 1}, {"x", 2, 7}}));
    EXPECT_EQ(m.data(m.index(0, 0)).toString(), QString::fromUtf8(u8"名字:\"值€😀\""));
    const QModelIndex root = m.index(0, 0);
    const QIcon picture = m.data(root, Qt::DecorationRole).value<QIcon>();
    ASSERT_FALSE(picture.isNull());
    icons.setGlyphs(true);
    const QIcon glyph = m.data(root, Qt::DecorationRole).value<QIcon>();
    EXPECT_NE(picture.pixmap(20, 20).toImage(), glyph.pixmap(20, 20).toImage());
    EXPECT_EQ(glyph.pixmap(20, 20).toImage(), icons.pixmap(true, 1).toImage());
    // An image index outside the set shows no icon.
    EXPECT_TRUE(m.data(m.index(0, 0, root), Qt::DecorationRole).value<QIcon>().isNull());
    // The six pictures differ from each other.
    for (int a = 0; a < 6; ++a)
        for (int b = a + 1; b < 6; ++b)
            EXPECT_NE(icons.pixmap(a >= 3, a % 3).toImage(), icons.pixmap(b >= 3, b % 3).toImage()) << a << b;
}

TEST(TreeModel, LongCaptionsAreShortenedOnScreenOnly)
{
    TreeModel m;
    std::string caption(TreeModel::kDisplayLimit - 1, 'a');
    caption += codec::gb(u8"中"); // would straddle the limit
    m.replaceAll(blockOf({{caption, 1}}));
    EXPECT_EQ(m.data(m.index(0, 0)).toString().size(), static_cast<qsizetype>(TreeModel::kDisplayLimit - 1));
    EXPECT_EQ(m.itemCaption(0).size(), caption.size());
}

} // namespace
} // namespace tess
