// The tree model over tree content blocks: structure checked by QAbstractItemModelTester
// and by walking the model, the depth rule, item/index mapping, read-back and icons.
#include "platform/Codec.h"
#include "json/TreeContentBuffer.h"
#include "tree/widgets/TreeIcons.h"
#include "tree/widgets/TreeModel.h"

#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

#include <algorithm>
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

TEST(TreeModel, TheModelDoesNotNeedTheBlockAfterwards)
{
    std::string bytes = blockOf({{"root", 1, 1}, {"a:1", 2}, {"b", 2, 2}, {"[1]:2", 3}});
    TreeModel m;
    m.replaceAll(bytes);
    bytes.assign(bytes.size(), 'x');
    bytes = std::string();
    EXPECT_EQ(shape(m), "root(a:1,b([1]:2))");
    EXPECT_EQ(m.itemImage(0), 1);
    EXPECT_EQ(m.itemImage(2), 2);
    EXPECT_EQ(m.itemValue(3), 4);
    m.setItemCaption(2, "c");
    m.setItemCaption(2, "a longer caption for b");
    EXPECT_EQ(shape(m), "root(a:1,a longer caption for b([1]:2))");
    EXPECT_EQ(m.itemValue(2), 3);
    EXPECT_EQ(m.itemImage(2), 2);
    expectConsistentMapping(m);
}

// Records as a document gives them (image == selected image, value == index + 1, state 0,
// check byte 0x10) mixed with every other kind of tail, in random nesting.
std::vector<TreeItemRecord> mixedRecords(unsigned seed, int count)
{
    std::mt19937 rng(seed);
    const std::string gb(codec::gb(u8"中文"));
    std::vector<TreeItemRecord> recs;
    int depth = 1;
    for (int i = 0; i < count; ++i) {
        TreeItemRecord r;
        switch (rng() % 4) {
        case 0:
            r.caption = "";
            break;
        case 1:
            r.caption = gb + std::to_string(i);
            break;
        default:
            r.caption = "k" + std::to_string(i) + ":" + std::string(rng() % 40, 'v');
            break;
        }
        if (i > 0)
            depth = std::max(1, depth + static_cast<int>(rng() % 5) - 2);
        r.depth = depth;
        r.image = r.selectedImage = static_cast<int32_t>(rng() % 3);
        r.itemValue = i + 1;
        switch (rng() % 10) {
        case 0:
            r.itemValue = static_cast<int32_t>(rng() % 50) - 10;
            break;
        case 1:
            r.selectedImage = r.image + 1;
            break;
        case 2:
            r.image = r.selectedImage = static_cast<int32_t>(rng() % 9) - 4;
            break;
        case 3:
            r.state = static_cast<uint8_t>(1 + rng() % 3);
            break;
        case 4:
            r.checkState = static_cast<uint8_t>(0x20 + 0x10 * (rng() % 3));
            break;
        default:
            break;
        }
        recs.push_back(r);
    }
    return recs;
}

std::string blockOfRecords(const std::vector<TreeItemRecord> &recs)
{
    TreeContentBuffer b;
    for (const TreeItemRecord &r : recs)
        b.appendItem(r.caption, r.image, r.selectedImage, r.itemValue, r.state, r.checkState / 0x10 - 1, r.depth);
    return b.take();
}

std::string readBackOf(const TreeModel &m)
{
    TreeContentBuffer out;
    m.readBack(out, std::string::npos);
    return out.take();
}

// Every answer of the model about every item, as one text.
std::string answers(const TreeModel &m)
{
    std::string out;
    for (int i = 0; i < m.itemCount(); ++i) {
        out += std::string(m.itemCaption(i)) + '|' + std::to_string(m.itemImage(i)) + '|' +
               std::to_string(m.itemValue(i)) + '|' + std::to_string(m.itemDepth(i)) + '|' +
               std::to_string(m.itemParent(i)) + '|' + std::to_string(m.itemChildCount(i)) + '|' +
               std::to_string(m.subtreeEnd(i)) + '\n';
    }
    return out + readBackOf(m);
}

TEST(TreeModel, OtherTailsMixedWithDocumentTailsAnswerAsGiven)
{
    const std::vector<TreeItemRecord> recs = mixedRecords(11, 400);
    TreeModel m;
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
    m.replaceAll(blockOfRecords(recs));
    ASSERT_EQ(m.itemCount(), 400);
    const std::vector<TreeItemRecord> back = readTreeContent(readBackOf(m));
    ASSERT_EQ(back.size(), recs.size());
    for (std::size_t i = 0; i < recs.size(); ++i) {
        const int item = static_cast<int>(i);
        EXPECT_EQ(m.itemCaption(item), recs[i].caption) << i;
        EXPECT_EQ(m.itemImage(item), recs[i].image) << i;
        EXPECT_EQ(m.itemValue(item), recs[i].itemValue) << i;
        EXPECT_EQ(back[i].caption, recs[i].caption) << i;
        EXPECT_EQ(back[i].image, recs[i].image) << i;
        EXPECT_EQ(back[i].selectedImage, recs[i].selectedImage) << i;
        EXPECT_EQ(back[i].itemValue, recs[i].itemValue) << i;
        EXPECT_EQ(back[i].state, recs[i].state) << i;
        EXPECT_EQ(back[i].checkState, recs[i].checkState) << i;
        EXPECT_EQ(back[i].depth, m.itemDepth(item)) << i; // the depth as nested
        const int parent = m.itemParent(item);
        EXPECT_EQ(m.itemDepth(item), parent < 0 ? 1 : m.itemDepth(parent) + 1) << i;
    }
    // A new caption keeps the rest of either kind of record.
    for (int item = 0; item < 400; item += 7) {
        const int image = m.itemImage(item);
        const int value = m.itemValue(item);
        m.setItemCaption(item, "new " + std::to_string(item));
        EXPECT_EQ(m.itemCaption(item), "new " + std::to_string(item));
        EXPECT_EQ(m.itemImage(item), image);
        EXPECT_EQ(m.itemValue(item), value);
    }
    const std::vector<TreeItemRecord> after = readTreeContent(readBackOf(m));
    for (std::size_t i = 0; i < recs.size(); ++i) {
        EXPECT_EQ(after[i].selectedImage, recs[i].selectedImage) << i;
        EXPECT_EQ(after[i].state, recs[i].state) << i;
        EXPECT_EQ(after[i].checkState, recs[i].checkState) << i;
    }
}

TEST(TreeModel, PiecesGiveTheSameModelAsOneBlock)
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        const std::vector<TreeItemRecord> recs = mixedRecords(seed, 300);
        TreeModel whole;
        whole.replaceAll(blockOfRecords(recs));
        // Cut into pieces of whole records at random places; nesting runs across them.
        std::mt19937 rng(seed);
        TreeModel pieces;
        QAbstractItemModelTester tester(&pieces, QAbstractItemModelTester::FailureReportingMode::Fatal);
        pieces.addTopLevelItem("notice");
        pieces.beginItems(seed % 2 ? recs.size() : 0);
        for (std::size_t first = 0; first < recs.size();) {
            const std::size_t n = std::min<std::size_t>(recs.size() - first, rng() % 40);
            pieces.addRecords(blockOfRecords(std::vector<TreeItemRecord>(recs.begin() + static_cast<long>(first),
                                                                         recs.begin() + static_cast<long>(first + n))));
            first += n;
        }
        pieces.endItems();
        EXPECT_EQ(shape(pieces), shape(whole)) << seed;
        EXPECT_EQ(answers(pieces), answers(whole)) << seed;
        expectConsistentMapping(pieces);
    }
}

TEST(TreeModel, CaptionsSurviveTheirBufferGrowing)
{
    // About 6 MB of captions in pieces: the caption buffer grows several times while
    // earlier captions are already in place.
    TreeModel m;
    m.beginItems(0);
    TreeContentBuffer piece;
    for (int i = 0; i < 60000; ++i) {
        piece.appendItem(std::to_string(i) +
                             std::string(static_cast<std::size_t>(i % 200), static_cast<char>('a' + i % 26)),
                         i % 3, i % 3, i + 1, 0, 0, i == 0 ? 1 : 2);
        if (i % 1000 == 999) {
            m.addRecords(piece.bytes());
            piece.clear();
        }
    }
    m.endItems();
    ASSERT_EQ(m.itemCount(), 60000);
    EXPECT_EQ(m.itemChildCount(0), 59999);
    for (int i = 0; i < 60000; i += 997) {
        EXPECT_EQ(m.itemCaption(i),
                  std::to_string(i) + std::string(static_cast<std::size_t>(i % 200), static_cast<char>('a' + i % 26)));
        EXPECT_EQ(m.itemImage(i), i % 3);
    }
}

TEST(TreeModel, WideReferencesAnswerTheSame)
{
    const std::vector<TreeItemRecord> recs = mixedRecords(5, 500);
    const std::string block = blockOfRecords(recs);
    TreeModel narrow;
    narrow.replaceAll(block);
    // Past 300 bytes of captions or kept records the model switches to 64-bit references,
    // in the middle of the load.
    TreeModel wide;
    wide.setNarrowReferenceLimit(300);
    wide.replaceAll(block);
    EXPECT_EQ(answers(wide), answers(narrow));
    for (TreeModel *m : {&narrow, &wide})
        for (int item = 0; item < 500; item += 3)
            m->setItemCaption(item, "c" + std::to_string(item));
    EXPECT_EQ(answers(wide), answers(narrow));
    // A change of caption alone can need the switch too.
    TreeModel late;
    late.replaceAll(block);
    late.setNarrowReferenceLimit(0);
    for (int item = 0; item < 500; item += 3)
        late.setItemCaption(item, "c" + std::to_string(item));
    EXPECT_EQ(answers(late), answers(narrow));
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
