// The window's big-document road, with the threshold moved down so small files take it:
// which road a file takes, what an invalid big file shows, the path and value boxes
// against the normal road, and big files remembered by name across a restart.
#include "ViewerFixture.h"
#include "app/SlotFiles.h"
#include "tree/widgets/BigTreeModel.h"
#include "tree/widgets/ValueBox.h"

#include <QCheckBox>
#include <QScrollBar>
#include <QTreeView>
#include <cstdlib>
#include <unistd.h>

namespace tess::testing {
namespace {

// Sets the threshold for the scope of a test.
struct Threshold {
    explicit Threshold(const char* bytes) { ::setenv("TESSARINE_BIG_THRESHOLD", bytes, 1); }
    ~Threshold() { ::unsetenv("TESSARINE_BIG_THRESHOLD"); }
};

bool openFile(Viewer& v, const std::string& path)
{
    if (!v.window->loadFileIntoCurrentSlot(path))
        return false;
    for (int i = 0; i < 500 && v.window->bigLoadRunning(); ++i)
        QTest::qWait(10);
    settle();
    return !v.window->bigLoadRunning();
}

BigTreeModel* bigModel(Viewer& v)
{
    return v.window->slot(v.window->currentSlot()).big;
}

QString valueText(Viewer& v, const char8_t* name)
{
    return v.control<ValueBox>(name)->toPlainText();
}

TEST(ViewerBig, ThresholdAndLinesNameDecideTheRoad)
{
    TempDir dir;
    Threshold threshold("64");
    const std::string small = R"({"a":1})";                                    // 7 bytes
    const std::string big = R"({"name":"x","list":[1,2,3],"deep":{"k":true}})"; // 46 bytes
    const std::string exact(64, ' ');
    struct Case {
        std::string name;
        std::string bytes;
        bool bigRoad;
    } cases[] = {
        {"small.json", small, false},
        {"big.json", big + std::string(64 - big.size() - 1, ' ') + "\n", true}, // 64 bytes: at the threshold
        {"under.json", big + std::string(64 - big.size() - 2, ' ') + "\n", false},
        {"records.jsonl", "{\"a\":1}\n[2]\n", true},
    };
    Viewer v(dir.str());
    for (const Case& c : cases) {
        writeFile(dir.file(c.name), c.bytes);
        ASSERT_TRUE(openFile(v, dir.file(c.name))) << c.name;
        EXPECT_EQ(bigModel(v) != nullptr, c.bigRoad) << c.name;
        EXPECT_EQ(v.tree().showsOwnModel(), !c.bigRoad) << c.name;
        QAbstractItemModel* model = v.tree().model();
        ASSERT_EQ(model->rowCount(), 1) << c.name;
        const QModelIndex root = model->index(0, 0);
        EXPECT_TRUE(model->data(root).toString().startsWith(qt::ui(u8"Korvell·JSON（载入耗时 "))) << c.name;
        EXPECT_TRUE(v.tree().isExpanded(root)) << c.name;
    }
    // The options only the tolerant engine has are off while the big tab is current.
    EXPECT_FALSE(v.control<QCheckBox>(u8"选择框先行解码")->isEnabled());
    EXPECT_EQ(v.tree().model()->rowCount(v.tree().model()->index(0, 0)), 2); // two records
    writeFile(dir.file("small.json"), small);
    ASSERT_TRUE(openFile(v, dir.file("small.json")));
    EXPECT_TRUE(v.control<QCheckBox>(u8"选择框先行解码")->isEnabled());
}

// Every node of a document: captions, path box and value boxes on the big road equal
// those of the normal road, in both path forms. (The normal road's value box is empty
// for true and false and for the elements of an array held in an array, and an empty
// member name reads as the root: left out here.)
TEST(ViewerBig, BoxesAndCaptionsEqualTheNormalRoad)
{
    TempDir dir;
    const std::string json =
        R"({"name":"A\u00e9 &amp; b","list":[1,-2.5e3,null,{"q":"t\"q","r":[]},{"x":"y"}],"deep":{"k":{"m":[]}},"e":{}})";
    writeFile(dir.file("doc.json"), json);
    Viewer v(dir.str());
    for (const bool arrayAsNode : {false, true}) {
        if (v.control<QCheckBox>(u8"选择框数组独立节点")->isChecked() != arrayAsNode)
            v.control<QCheckBox>(u8"选择框数组独立节点")->click();
        std::vector<std::array<QString, 6>> seen[2];
        for (const bool bigRoad : {false, true}) {
            Threshold threshold(bigRoad ? "1" : "100000000");
            ASSERT_TRUE(openFile(v, dir.file("doc.json")));
            ASSERT_EQ(bigModel(v) != nullptr, bigRoad);
            QAbstractItemModel* model = v.tree().model();
            std::vector<QModelIndex> todo{model->index(0, 0)};
            while (!todo.empty()) {
                const QModelIndex idx = todo.back();
                todo.pop_back();
                v.tree().setCurrentIndex(idx);
                settle();
                v.window->copyPathAs(static_cast<int>(PathStyle::Jq));
                const QString jq = QApplication::clipboard()->text();
                v.window->copyPathAs(static_cast<int>(PathStyle::Python));
                seen[bigRoad].push_back({idx.parent().isValid() ? model->data(idx).toString() : QString(),
                                         v.control<QLineEdit>(u8"编辑框路径")->text(), valueText(v, u8"编辑框路径数据"),
                                         valueText(v, u8"编辑框路径数据2"), jq, QApplication::clipboard()->text()});
                v.tree().expand(idx);
                for (int r = model->rowCount(idx) - 1; r >= 0; --r)
                    todo.push_back(model->index(r, 0, idx));
            }
        }
        ASSERT_EQ(seen[0].size(), seen[1].size());
        EXPECT_GE(seen[0].size(), 15u);
        for (std::size_t k = 0; k < seen[0].size(); ++k)
            for (int f = 0; f < 6; ++f)
                EXPECT_EQ(seen[1][k][f], seen[0][k][f]) << "node " << k << " field " << f;
    }
}

// Find next and previous walk the nodes whose captions hold the text, in tree order and
// once around, opening the containers on the way.
TEST(ViewerBig, FindJumpsToTheNodesHoldingThePlainText)
{
    TempDir dir;
    Threshold threshold("1");
    writeFile(dir.file("doc.json"), R"({"alpha":{"x":"needle one"},"list":[1,{"needle":[2]}],"z":"a needle"})");
    Viewer v(dir.str());
    ASSERT_TRUE(openFile(v, dir.file("doc.json")));
    v.control<QLineEdit>(u8"编辑框查找文本")->setText(QStringLiteral("needle"));
    const auto find = [&](bool backward) {
        v.window->findInTree(backward);
        for (int i = 0; i < 500 && v.window->bigFindRunning(); ++i)
            QTest::qWait(10);
        settle();
        return v.control<QLineEdit>(u8"编辑框路径")->text();
    };
    // Once around, as on the normal road.
    const QStringList forward = {find(false), find(false), find(false), find(false)};
    EXPECT_EQ(forward, (QStringList{"alpha.x", "list.[2].needle", "z", "alpha.x"}));
    EXPECT_EQ(find(true), QStringLiteral("z"));
    EXPECT_EQ(find(true), QStringLiteral("list.[2].needle"));
    // Text across the name and the value, and text found nowhere.
    v.control<QLineEdit>(u8"编辑框查找文本")->setText(QStringLiteral("x:\"n"));
    EXPECT_EQ(find(false), QStringLiteral("alpha.x"));
    v.control<QLineEdit>(u8"编辑框查找文本")->setText(QStringLiteral("haystack"));
    find(false);
    EXPECT_EQ(v.window->statusText(), qt::ui(u8"找不到"));

    // A typed path (any form) selects its node, reading the containers on the way.
    for (const char* typed : {"list.[2].needle.[1]", ".list[1].needle[0]", "$['z']"}) {
        v.control<QLineEdit>(u8"编辑框路径")->setText(QString::fromUtf8(typed));
        v.window->goToTypedPath();
        settle();
        const QModelIndex at = v.tree().selectedIndex();
        EXPECT_EQ(v.tree().model()->data(at).toString(),
                  QString::fromUtf8(typed[0] == '$' ? "z:\"a needle\"" : "[1]:2")) << typed;
    }
    // Collapse closes the selected node.
    const QModelIndex z = v.tree().selectedIndex();
    v.tree().setCurrentIndex(z.parent());
    v.window->collapseBelowSelected();
    EXPECT_FALSE(v.tree().isExpanded(z.parent()));
    v.control<QLineEdit>(u8"编辑框路径")->setText(QStringLiteral("list.[9]"));
    v.window->goToTypedPath();
    EXPECT_TRUE(v.window->statusText().startsWith(qt::ui(u8"路径没有对应的节点")));
}

// Esc during the pass: the tab keeps its document. (The pass looks at the flag every
// 16 MiB, so the file is larger than that.)
TEST(ViewerBig, EscStopsThePassAndTheTabKeepsItsDocument)
{
    TempDir dir;
    Threshold threshold("1");
    std::string bytes = "[";
    bytes.reserve(48u << 20);
    while (bytes.size() < (48u << 20))
        bytes += "1234567,";
    bytes += "0]";
    writeFile(dir.file("big.json"), bytes);
    Viewer v(dir.str());
    v.paste(u8"[1,2]");
    ASSERT_TRUE(v.window->loadFileIntoCurrentSlot(dir.file("big.json")));
    EXPECT_TRUE(v.window->bigLoadRunning());
    QTest::keyClick(v.window.get(), Qt::Key_Escape);
    for (int i = 0; i < 1000 && v.window->bigLoadRunning(); ++i)
        QTest::qWait(10);
    settle();
    EXPECT_EQ(bigModel(v), nullptr);
    EXPECT_TRUE(v.tree().showsOwnModel());
    EXPECT_EQ(v.tree().itemCount(), 3);
    EXPECT_EQ(v.window->statusText(), qt::ui(u8"已停止读取大文件，树页保持原样"));
}

TEST(ViewerBig, InvalidFileShowsWhatCameBeforeAndWhere)
{
    TempDir dir;
    Threshold threshold("1");
    writeFile(dir.file("bad.json"), "{\"a\":1,\n \"b\":[1,2],\n \"c\":tru}");
    Viewer v(dir.str());
    ASSERT_TRUE(openFile(v, dir.file("bad.json")));
    ASSERT_NE(bigModel(v), nullptr);
    QAbstractItemModel* model = v.tree().model();
    const QModelIndex root = model->index(0, 0);
    ASSERT_EQ(model->rowCount(root), 2);
    EXPECT_EQ(model->data(model->index(0, 0, root)).toString(), QStringLiteral("a:1"));
    EXPECT_EQ(model->data(model->index(1, 0, root)).toString(), QStringLiteral("b"));
    // "tru" is known to be no literal at the "}" after it: line 3, column 9, byte 28 (from 0).
    EXPECT_TRUE(v.window->statusText().contains(qt::ui(u8"第 3 行第 9 列（第 29 字节）：无效的值"))) << v.window->statusText().toStdString();

    // The same in GB18030 (read through a UTF-8 copy): the byte is the file's own, where
    // the two-byte name makes it one later (three bytes in the copy).
    writeFile(dir.file("bad-gb.json"), codec::utf8ToGb18030(reinterpret_cast<const char*>(u8"{\"名\":1,\n \"b\":[1,2],\n \"c\":tru}")).text);
    ASSERT_TRUE(openFile(v, dir.file("bad-gb.json")));
    ASSERT_NE(bigModel(v), nullptr);
    model = v.tree().model();
    EXPECT_EQ(model->data(model->index(0, 0, model->index(0, 0))).toString(), qt::ui(u8"名:1"));
    EXPECT_TRUE(v.window->statusText().contains(qt::ui(u8"第 3 行第 9 列（第 30 字节）"))) << v.window->statusText().toStdString();
}

TEST(ViewerBig, RememberedFileReopensAndAChangedOrMissingOneIsReported)
{
    TempDir dir, files;
    Threshold threshold("32");
    const std::string path = files.file("big.json");
    std::string bytes = "[";
    for (int i = 0; i < 25000; ++i)
        bytes += std::to_string(i) + ",";
    bytes += "0]";
    writeFile(path, bytes);
    {
        Viewer v(dir.str());
        ASSERT_TRUE(openFile(v, path));
        ASSERT_NE(bigModel(v), nullptr);
        v.closeWindow();
    }
    // Nothing of the file went into the data folder.
    EXPECT_LT(readFile(slotFilePath(dir.str(), 1)).size(), 64u);
    {
        Viewer v(dir.str());
        for (int i = 0; i < 500 && (v.window->bigLoadRunning() || !bigModel(v)); ++i)
            QTest::qWait(10);
        ASSERT_NE(bigModel(v), nullptr);
        QAbstractItemModel* model = v.tree().model();
        const QModelIndex root = model->index(0, 0);
        EXPECT_EQ(model->rowCount(root), 25001);
        v.closeWindow();
    }
    const struct {
        std::function<void()> change;
        const char8_t* said;
    } changes[] = {
        {[&] { writeFile(path, bytes + " "); }, u8"大文件已改变"},
        {[&] { ::unlink(path.c_str()); }, u8"大文件已不在"},
    };
    for (const auto& c : changes) {
        c.change();
        Viewer v(dir.str());
        settle();
        EXPECT_EQ(bigModel(v), nullptr);
        ASSERT_EQ(v.tree().itemCount(), 1);
        EXPECT_TRUE(qt::toQString(v.tree().treeModel().itemCaption(0)).startsWith(qt::ui(c.said)));
        EXPECT_TRUE(v.window->statusText().startsWith(qt::ui(c.said)));
        v.closeWindow();
    }
}

} // namespace
} // namespace tess::testing

namespace tess::testing {
namespace {

// A pasted text of JSON Lines shows its records, numbered by line, with a broken line as
// an error item; the tab keeps the text, and an option of the tolerant engine takes it
// back to the engine. Other texts are not taken for JSON Lines.
TEST(ViewerBig, PastedJsonLinesShowTheirRecords)
{
    TempDir dir;
    const char8_t* lines = u8"{\"名\":1}\n[2,3]\n{bad\n\"s\"\n";
    {
        Viewer v(dir.str());
        v.paste(lines);
        ASSERT_NE(bigModel(v), nullptr);
        QAbstractItemModel* model = v.tree().model();
        const QModelIndex root = model->index(0, 0);
        ASSERT_EQ(model->rowCount(root), 4);
        EXPECT_EQ(model->data(model->index(0, 0, root)).toString(), QStringLiteral("[1]"));
        EXPECT_EQ(model->data(model->index(3, 0, root)).toString(), QStringLiteral("[4]:\"s\""));
        EXPECT_EQ(model->data(model->index(2, 0, root)).toString(), qt::ui(u8"[3]:此处应为带引号的成员名"));
        EXPECT_TRUE(v.control<QCheckBox>(u8"选择框先行解码")->isEnabled());
        v.closeWindow();
        EXPECT_EQ(codec::gb18030ToUtf8(readFile(slotFilePath(dir.str(), 1))).text, reinterpret_cast<const char*>(lines));
    }
    {
        // Stored and shown again at the next start; then the engine, when asked for.
        Viewer v(dir.str());
        ASSERT_NE(bigModel(v), nullptr);
        v.control<QCheckBox>(u8"选择框先行解码")->click();
        settle();
        EXPECT_EQ(bigModel(v), nullptr);
        v.control<QCheckBox>(u8"选择框先行解码")->click();
        settle();
        EXPECT_NE(bigModel(v), nullptr);
    }
    for (const char8_t* other : {u8"{\"a\":1}", u8"{\"a\":1,\n\"b\":2}", u8"[1]\n{broken\n[3]"}) {
        Viewer v(dir.str());
        v.paste(other);
        EXPECT_EQ(bigModel(v), nullptr) << reinterpret_cast<const char*>(other);
    }
}

// A large text of JSON Lines is read on a worker like any large text: the tab keeps its
// document meanwhile, and a close before the records show stores the new text.
TEST(ViewerBig, LargePastedJsonLinesAreReadOnAWorker)
{
    TempDir dir;
    std::string lines;
    for (int i = 0; i < 40; ++i)
        lines += "{\"id\":" + std::to_string(i) + ",\"名\":\"值\"}\n";
    const std::string gb = codec::utf8ToGb18030(lines).text;
    {
        Viewer v(dir.str());
        v.paste(u8"{\"old\":1}");
        v.window->setBackgroundLoadBytes(64);
        v.window->loadTextIntoCurrentSlot(gb);
        ASSERT_TRUE(v.window->parseRunning(1));
        EXPECT_EQ(bigModel(v), nullptr); // still the old document
        for (int i = 0; i < 2000 && v.window->parseRunning(1); ++i)
            QTest::qWait(5);
        ASSERT_FALSE(v.window->parseRunning(1));
        ASSERT_NE(bigModel(v), nullptr);
        QAbstractItemModel* model = v.tree().model();
        EXPECT_EQ(model->rowCount(model->index(0, 0)), 40);
        EXPECT_EQ(v.tree().sourceText.copy(), gb);
    }
    {
        Viewer v(dir.str());
        v.window->setBackgroundLoadBytes(64);
        v.window->loadTextIntoCurrentSlot(gb + "{\"last\":1}\n");
        v.closeWindow();
        EXPECT_EQ(readFile(slotFilePath(dir.str(), 1)), gb + "{\"last\":1}\n");
    }
}

} // namespace
} // namespace tess::testing
