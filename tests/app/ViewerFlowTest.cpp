// The viewer's flows with real widgets: first start, slots and data files, restart with
// the stored tab and selection, options, path forms, copy commands, find, About.
#include "ViewerFixture.h"

#include "app/InfoDialog.h"
#include "app/SlotFiles.h"
#include "platform/MessagePump.h"
#include "json/JsonScanner.h"
#include "json/Decoders.h"
#include "tree/widgets/PathBoxes.h"
#include "tree/widgets/ValueBox.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QPaintEvent>
#include <QTextBlock>
#include <QTimer>
#include <gtest/gtest.h>

namespace tess::testing {
namespace {

std::string settingsText(const TempDir& dir)
{
    return utf8(readFile(dir.file("Tessarine.ini")));
}

std::string box(const QLineEdit* e)
{
    return e->text().toStdString();
}

std::string box(const QPlainTextEdit* e)
{
    return e->toPlainText().toStdString();
}

TEST(ViewerFlow, FirstStartInAnEmptyFolder)
{
    TempDir dir;
    {
        Viewer v(dir.str());
        EXPECT_EQ(v.window->windowTitle(), QStringLiteral("Tessarine(Drovantile) v1.1.5.0"));
        EXPECT_EQ(v.window->tabs()->currentIndex(), 0);
        EXPECT_EQ(v.window->tabs()->tabText(0), qt::ui(u8"  JSON树  "));
        EXPECT_EQ(v.window->tabs()->tabText(6), qt::ui(u8"  树7  "));
        for (int n = 1; n <= 7; ++n)
            EXPECT_EQ(v.window->tree(n)->itemCount(), 0);
        EXPECT_TRUE(v.control<QCheckBox>(u8"选择框数组独立节点")->isChecked());
        EXPECT_FALSE(v.control<QCheckBox>(u8"选择框先行解码")->isChecked());
        EXPECT_TRUE(v.control<QRadioButton>(u8"单选框默认")->isChecked());
        EXPECT_EQ(v.control<QLineEdit>(u8"编辑框查找文本")->text(), qt::ui(u8"要在JSON树中查找的文本"));
        EXPECT_FALSE(v.control<QPushButton>(u8"按钮读取")->isVisible());
        v.closeWindow();
    }
    const std::string ini = settingsText(dir);
    EXPECT_EQ(ini.rfind("[JSON树]", 0), 0u) << ini;
    for (const char* key : {"选择夹=0", "树型框.现行选中项=-1", "树型框7.现行选中项=-1", "选择框先行解码=假",
                            "选择框数组独立节点=真", "单选框默认=真", "单选框正则=假",
                            "编辑框查找文本=要在JSON树中查找的文本", "按钮读取.标记=", "按钮下一个.标记="})
        EXPECT_NE(ini.find(key), std::string::npos) << key << "\n" << ini;
    for (const char* absent : {"编辑框路径", "按钮粘贴JSON树", "树型框=", "选择夹."})
        EXPECT_EQ(ini.find(absent), std::string::npos) << absent;
    EXPECT_TRUE(std::filesystem::exists(dir.file("JSON数据.txt")));
    EXPECT_EQ(readFile(dir.file("JSON数据.txt")), "");
    for (int n = 2; n <= 7; ++n)
        EXPECT_FALSE(std::filesystem::exists(slotFilePath(dir.str(), n))) << n;
}

TEST(ViewerFlow, PastedSlotComesBackWithItsSelectionAfterRestart)
{
    TempDir dir;
    const char8_t* json = u8"{\"名\":\"值\",\"list\":[1,2,{\"k\":\"v\"}]}";
    {
        Viewer v(dir.str());
        v.window->tabs()->setCurrentIndex(2);
        v.paste(json);
        ASSERT_EQ(v.tree().itemCount(), 7);
        EXPECT_EQ(v.caption(1), "名:\"值\"");
        EXPECT_EQ(v.caption(0).rfind("Korvell·JSON（载入耗时 ", 0), 0u) << v.caption(0);
        EXPECT_EQ(v.caption(0).substr(v.caption(0).size() - 4), " ）");
        EXPECT_TRUE(v.tree().isExpanded(v.tree().treeModel().indexOfItem(0)));
        EXPECT_FALSE(v.tree().isExpanded(v.tree().treeModel().indexOfItem(2)));
        v.tree().selectItem(5);
        v.window->tabs()->setCurrentIndex(4);
        v.closeWindow();
    }
    EXPECT_EQ(readFile(dir.file("JSON数据3.txt")), gb(json));
    EXPECT_EQ(readFile(dir.file("JSON数据5.txt")), "");
    EXPECT_FALSE(std::filesystem::exists(dir.file("JSON数据2.txt")));
    // Only the data files remain in the folder: no temporary files are left behind.
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.str()))
        files += e.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 4); // settings, slot 1 (activated at start), slots 3 and 5
    {
        Viewer v(dir.str());
        EXPECT_EQ(v.window->tabs()->currentIndex(), 4);
        EXPECT_EQ(v.window->tree(3)->itemCount(), 0); // not read before its page is shown
        v.window->tabs()->setCurrentIndex(2);
        settle();
        ASSERT_EQ(v.tree().itemCount(), 7);
        EXPECT_EQ(v.tree().selectedItem(), 5);
        EXPECT_EQ(box(v.control<QLineEdit>(u8"编辑框路径")), "list.[3]");
        EXPECT_EQ(box(v.control<QPlainTextEdit>(u8"编辑框路径数据")), "{\"k\":\"v\"}");
        // Returning to a page that shows a tree does not read its file again.
        writeFile(dir.file("JSON数据3.txt"), "[0]");
        v.window->tabs()->setCurrentIndex(0);
        v.window->tabs()->setCurrentIndex(2);
        settle();
        EXPECT_EQ(v.tree().itemCount(), 7);
    }
}

TEST(ViewerFlow, DecodeFirstShowsDecodedCaptionsButStoresTheTextAsPasted)
{
    TempDir dir;
    const char8_t* json = u8"{\"s\":\"a\\u4e2db&amp;\"}";
    {
        Viewer v(dir.str());
        QTest::mouseClick(v.control<QCheckBox>(u8"选择框先行解码"), Qt::LeftButton);
        v.paste(json);
        ASSERT_EQ(v.tree().itemCount(), 2);
        EXPECT_EQ(v.caption(1), "s:\"a中b&\"");
        v.closeWindow();
    }
    EXPECT_EQ(readFile(dir.file("JSON数据.txt")), gb(json));
    EXPECT_NE(settingsText(dir).find("选择框先行解码=真"), std::string::npos);
}

TEST(ViewerFlow, ThePastedTextIsHeldOnceBySlotAndDocument)
{
    TempDir dir;
    Viewer v(dir.str());
    v.paste(u8"{\"s\":\"a\\u4e2d\"}");
    // One copy: the document's root value is the slot's text, the same bytes.
    const JsonDocument& document = v.objects->documents[0];
    const auto rootBytes = [&] { return document.nodes().valueView(1).data(); };
    EXPECT_EQ(rootBytes(), v.tree().sourceText.str().data());
    // Decoding first parses a decoded copy; the slot keeps the text as pasted.
    QTest::mouseClick(v.control<QCheckBox>(u8"选择框先行解码"), Qt::LeftButton);
    EXPECT_EQ(v.caption(1), "s:\"a中\"");
    EXPECT_NE(rootBytes(), v.tree().sourceText.str().data());
    EXPECT_EQ(v.tree().sourceText, gb(u8"{\"s\":\"a\\u4e2d\"}"));
}

// A document with escapes, CR LF and tabs is kept by the engine as its prepared copy plus
// the differences; the slot shares that instead of keeping the pasted bytes too, and every
// road back to the pasted bytes gives them exactly.
std::string escapedDocument()
{
    std::string s = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n\r\n{\"items\":[";
    for (int i = 0; i < 300; ++i) {
        if (i > 0)
            s += i % 10 == 0 ? ",\r\n" : ",";
        s += "{\"id\":" + std::to_string(i) + ",\"名称\":" + (i % 10 == 5 ? "\t" : "") +
             "\"数据 第" + std::to_string(i) + "项\",\"p\":\"say \\\"读\\\"\",\"file\":\"C:\\\\dir\\\\" +
             std::to_string(i) + ".json\",\"text\":\"plain words that preparing leaves as they are, and some more of them\"}";
    }
    s += "]}";
    return s;
}

std::vector<std::string> allCaptions(const Viewer& v)
{
    std::vector<std::string> out;
    for (int i = 1; i < v.tree().itemCount(); ++i)
        out.push_back(v.caption(i));
    return out;
}

// True while the text is still kept in pieces, not made again as a whole.
bool stillInPieces(const SharedText& text)
{
    int runs = 0;
    text.forEachPiece([&](std::string_view) { return ++runs < 2; });
    return runs > 1;
}

TEST(ViewerFlow, AnEscapedDocumentIsHeldOnceAndGivenBackByteForByte)
{
    TempDir dir;
    const std::string pasted = escapedDocument();
    const std::string original = gb(reinterpret_cast<const char8_t*>(pasted.c_str()));
    std::vector<std::string> captions;
    {
        Viewer v(dir.str());
        v.paste(reinterpret_cast<const char8_t*>(pasted.c_str()));
        JsonDocument& document = v.objects->documents[0];
        ASSERT_NE(document.rootText(), nullptr) << "the document should keep the text as its prepared copy";
        EXPECT_EQ(v.tree().sourceText.described(), document.rootText()) << "slot and document share one copy";
        EXPECT_EQ(v.tree().sourceText.size(), original.size());
        EXPECT_TRUE(v.tree().sourceText == original);
        captions = allCaptions(v);
        ASSERT_EQ(captions.size(), 1u + 300u * 6u);
        EXPECT_EQ(captions[3], "名称:\"数据 第0项\"");
        EXPECT_EQ(captions[4], "p:\"say \\\"读\\\"\"");

        // The root's value boxes: the text compacted, and decoded.
        v.tree().selectItem(0);
        const std::string compacted = JsonScanner::compactWhitespace(original);
        EXPECT_EQ(boxText(v.control<ValueBox>(u8"编辑框路径数据")), compacted);
        EXPECT_EQ(boxText(v.control<ValueBox>(u8"编辑框路径数据2")), decodeHtmlEntities(decodeUnicodeEscapes(compacted)));

        // A reload after an option change parses the kept copy again, and shares it still.
        QTest::mouseClick(v.control<QCheckBox>(u8"选择框数组从0开始"), Qt::LeftButton);
        EXPECT_EQ(v.caption(2), "[0]");
        QTest::mouseClick(v.control<QCheckBox>(u8"选择框数组从0开始"), Qt::LeftButton);
        EXPECT_EQ(allCaptions(v), captions);
        EXPECT_EQ(v.tree().sourceText.described(), document.rootText());

        // Undo of a later paste brings the same bytes and the same tree back.
        v.paste(u8"[1]");
        EXPECT_TRUE(v.tree().sourceText == "[1]");
        v.window->undoLoad();
        EXPECT_TRUE(v.tree().sourceText == original);
        EXPECT_EQ(allCaptions(v), captions);
        EXPECT_EQ(v.tree().sourceText.described(), document.rootText());

        // Saving as GB18030 writes the pasted bytes; as UTF-8, the pasted text.
        ASSERT_TRUE(v.window->saveCurrentSlot(dir.file("out.json"), SaveEncoding::Gb18030));
        EXPECT_EQ(readFile(dir.file("out.json")), original);
        ASSERT_TRUE(v.window->saveCurrentSlot(dir.file("out8.json"), SaveEncoding::Utf8));
        EXPECT_EQ(readFile(dir.file("out8.json")), pasted);
        // None of these put the whole text together for good.
        EXPECT_TRUE(stillInPieces(v.tree().sourceText));
        v.closeWindow();
        EXPECT_TRUE(stillInPieces(v.tree().sourceText));
    }
    EXPECT_EQ(readFile(dir.file("JSON数据.txt")), original);
    // The next start reads the file back into the same tree.
    Viewer v(dir.str());
    EXPECT_TRUE(v.tree().sourceText == original);
    EXPECT_EQ(allCaptions(v), captions);
}

TEST(ViewerFlow, OptionClicksReloadAndKeepTheItemIndex)
{
    TempDir dir;
    Viewer v(dir.str());
    v.paste(u8"{\"a\":1,\"b\":[true,\"x\"]}");
    ASSERT_EQ(v.tree().itemCount(), 5);
    EXPECT_EQ(v.caption(3), "[1]:true");
    EXPECT_EQ(v.caption(4), "[2]:\"x\"");
    v.tree().selectItem(4);
    QTest::mouseClick(v.control<QCheckBox>(u8"选择框数组从0开始"), Qt::LeftButton);
    settle();
    EXPECT_EQ(v.caption(3), "[0]:true");
    EXPECT_EQ(v.caption(4), "[1]:\"x\"");
    EXPECT_EQ(v.tree().selectedItem(), 4);
    EXPECT_EQ(box(v.control<QLineEdit>(u8"编辑框路径")), "b.[1]");
    EXPECT_EQ(box(v.control<QPlainTextEdit>(u8"编辑框路径数据")), "x");
    // Single quotes become string quotes after a click on that option.
    v.paste(u8"{'k':'v w'}");
    QTest::mouseClick(v.control<QCheckBox>(u8"选择框单引号格式"), Qt::LeftButton);
    settle();
    EXPECT_EQ(v.caption(1), "k:\"v w\"");
    // The icon set changes on every tree at once, without reloading.
    const std::string before = v.caption(0);
    QTest::mouseClick(v.control<QCheckBox>(u8"选择框文字图标"), Qt::LeftButton);
    const QIcon icon = v.tree().model()->data(v.tree().treeModel().indexOfItem(0), Qt::DecorationRole).value<QIcon>();
    EXPECT_FALSE(icon.isNull());
    EXPECT_EQ(v.caption(0), before);
}

TEST(ViewerFlow, PathFormsAndValues)
{
    TempDir dir;
    Viewer v(dir.str());
    auto* path = v.control<QLineEdit>(u8"编辑框路径");
    auto* value = v.control<QPlainTextEdit>(u8"编辑框路径数据");
    auto* decoded = v.control<QPlainTextEdit>(u8"编辑框路径数据2");
    auto* arrayAsNode = v.control<QCheckBox>(u8"选择框数组独立节点");
    QTest::mouseClick(v.control<QCheckBox>(u8"选择框数组从0开始"), Qt::LeftButton);
    v.paste(u8"{\"data\":[{\"id\":1}],\"s\":\"a\\u4e2db\",\"m\":[[5,6]]}");
    v.tree().selectItem(itemAt(v, "data/[0]"));
    EXPECT_EQ(box(path), "data.[0]");
    QTest::mouseClick(arrayAsNode, Qt::LeftButton);
    EXPECT_EQ(box(path), "data[0]");
    v.tree().selectItem(itemAt(v, "data/[0]/id"));
    EXPECT_EQ(box(path), "data[0].id");
    EXPECT_EQ(box(value), "1");
    v.tree().selectItem(itemAt(v, "s"));
    EXPECT_EQ(box(value), "a\\u4e2db");
    EXPECT_EQ(box(decoded), "a中b");
    // A compact path of an element of an element names no node.
    v.tree().selectItem(itemAt(v, "m/[0]/[1]"));
    EXPECT_EQ(box(path), "m[0][1]");
    EXPECT_EQ(box(value), "");
    QTest::mouseClick(arrayAsNode, Qt::LeftButton);
    EXPECT_EQ(box(path), "m.[0].[1]");
    EXPECT_EQ(box(value), "6");
    v.tree().selectItem(0);
    EXPECT_EQ(box(path), "");
    EXPECT_NE(box(value).find("\"data\""), std::string::npos);
}

TEST(ViewerFlow, CopyCommandsCopyTheBoxesAsTheyAre)
{
    TempDir dir;
    Viewer v(dir.str());
    v.paste(u8"{\"名\":\"\\u4e2d\"}");
    v.tree().selectItem(1);
    QMenu* menu = v.window->treeMenu();
    // The form's three commands come first, in their order; a fourth, for stopping a URL
    // fetch, shows only during one; the added commands follow.
    ASSERT_GT(menu->actions().size(), 5);
    EXPECT_EQ(menu->actions()[0]->text(), qt::ui(u8"复制路径"));
    EXPECT_EQ(menu->actions()[1]->text(), qt::ui(u8"复制路径数据"));
    EXPECT_EQ(menu->actions()[2]->text(), qt::ui(u8"复制USC2解码的路径数据"));
    EXPECT_FALSE(menu->actions()[3]->isVisible());
    EXPECT_TRUE(menu->actions()[4]->isSeparator());
    QClipboard* cb = QApplication::clipboard();
    menu->actions()[0]->trigger();
    EXPECT_EQ(cb->text(), qt::ui(u8"名"));
    menu->actions()[1]->trigger();
    EXPECT_EQ(cb->text(), QStringLiteral("\\u4e2d"));
    menu->actions()[2]->trigger();
    EXPECT_EQ(cb->text(), qt::ui(u8"中"));
    // Typed text is copied as typed, not recomputed; characters outside GBK survive.
    v.control<QLineEdit>(u8"编辑框路径")->setText(QString::fromUtf8(u8"typed😀"));
    menu->actions()[0]->trigger();
    EXPECT_EQ(cb->text(), QString::fromUtf8(u8"typed😀"));
    // A right-button press on an item selects it before the menu opens.
    TreeView& t = v.tree();
    const QRect r = t.visualRect(t.treeModel().indexOfItem(1));
    QTimer::singleShot(0, menu, &QMenu::close);
    QTest::mousePress(t.viewport(), Qt::RightButton, {}, QPoint(r.x() + 20, r.center().y()));
    EXPECT_EQ(t.selectedItem(), 1);
    settle();
    // The menu key opens it at the selected item.
    bool shown = false;
    QTimer::singleShot(0, menu, [menu, &shown] {
        shown = menu->isVisible();
        menu->close();
    });
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(0, 0));
    QApplication::sendEvent(t.viewport(), &key);
    settle();
    EXPECT_TRUE(shown);
}

class ViewerFind : public ::testing::Test {
protected:
    void SetUp() override
    {
        v = std::make_unique<Viewer>(dir.str());
        v->paste(u8"{\"id\":1,\"user\":{\"userid\":\"x\",\"ID\":2},\"f(x).y\":3,\"abc\":4,\"ac\":5}");
        text = v->control<QLineEdit>(u8"编辑框查找文本");
        next = v->control<QPushButton>(u8"按钮下一个");
        previous = v->control<QPushButton>(u8"按钮上一个");
    }
    // The caption of the item the find stops at ("JSON" for the root).
    std::string find(const char8_t* t, bool backward = false)
    {
        text->setText(qt::ui(t));
        QTest::mouseClick(backward ? previous : next, Qt::LeftButton);
        return caption();
    }
    std::string caption() const
    {
        const int item = v->tree().selectedItem();
        return item == 0 ? "JSON" : item < 0 ? "" : v->caption(item);
    }
    TempDir dir;
    std::unique_ptr<Viewer> v;
    QLineEdit* text = nullptr;
    QPushButton* next = nullptr;
    QPushButton* previous = nullptr;
};

TEST_F(ViewerFind, PlainForwardBackwardAndWrap)
{
    EXPECT_EQ(find(u8"JSON"), "JSON"); // the load-time caption of the root
    EXPECT_EQ(find(u8"id"), "id:1");
    EXPECT_EQ(find(u8"id"), "userid:\"x\"");
    EXPECT_EQ(find(u8"id"), "id:1"); // wrapped to the top
    EXPECT_EQ(find(u8"id", true), "userid:\"x\""); // backward from the first wraps to the bottom
    EXPECT_EQ(find(u8"id", true), "id:1");
    QTest::mouseClick(v->control<QCheckBox>(u8"选择框忽略大小写"), Qt::LeftButton);
    EXPECT_EQ(find(u8"id"), "userid:\"x\"");
    EXPECT_EQ(find(u8"id"), "ID:2");
    EXPECT_EQ(find(u8"ac:"), "ac:5");
    EXPECT_EQ(find(u8"ac:"), "ac:5"); // the only match finds itself again
    EXPECT_EQ(v->window->focusWidget(), &v->tree());
    // The right button on "下一个" searches backward.
    text->setText(QStringLiteral("id"));
    v->tree().selectItem(itemAt(*v, "user/ID"));
    QTest::mousePress(next, Qt::RightButton);
    EXPECT_EQ(caption(), "userid:\"x\"");
}

TEST_F(ViewerFind, LongCaptionsAreSearchedInTheirFirst510Bytes)
{
    // The window searches captions in place, cut as a content block read back would cut
    // them: "tail" lies past byte 510 of the first value, "near" before it.
    const std::string filler(600, 'a');
    const std::string json = "{\"k\":\"near" + filler + "tail\",\"m\":\"tail\"}";
    v->paste(reinterpret_cast<const char8_t*>(json.c_str()));
    EXPECT_EQ(find(u8"near").substr(0, 8), "k:\"neara");
    EXPECT_EQ(find(u8"tail"), "m:\"tail\"");
    EXPECT_EQ(find(u8"tail"), "m:\"tail\""); // not found in k on the way round
}

// The find buttons' captions, taken when the search pumps messages.
QPushButton* g_next = nullptr;
QPushButton* g_previous = nullptr;
QString g_nextDuring;
QString g_previousDuring;

void recordFindCaptions()
{
    g_nextDuring = g_next->text();
    g_previousDuring = g_previous->text();
}

TEST_F(ViewerFind, TheSearchingCaptionIsOnTheButtonOfTheDirection)
{
    g_next = next;
    g_previous = previous;
    const PumpHook before = setPumpHook(&recordFindCaptions);
    text->setText(QStringLiteral("JSON"));
    v->tree().selectItem(1);
    // A right-button press on "下一个" searches backward: "上一个" shows the caption.
    QTest::mousePress(next, Qt::RightButton);
    setPumpHook(before);
    EXPECT_EQ(v->tree().selectedItem(), 0);
    EXPECT_EQ(g_previousDuring, qt::ui(u8"寻找中.."));
    EXPECT_EQ(g_nextDuring, qt::ui(u8"下一个"));
    EXPECT_EQ(previous->text(), qt::ui(u8"上一个"));
}

TEST_F(ViewerFind, WildcardAndRegexModes)
{
    QTest::mouseClick(v->control<QRadioButton>(u8"单选框通配"), Qt::LeftButton);
    EXPECT_EQ(find(u8"a?c"), "abc:4");
    EXPECT_EQ(find(u8"a?c"), "ac:5");
    EXPECT_EQ(find(u8"f(x).y"), "f(x).y:3");
    EXPECT_EQ(find(u8"u*x"), "userid:\"x\"");
    QTest::mouseClick(v->control<QRadioButton>(u8"单选框正则"), Qt::LeftButton);
    EXPECT_EQ(find(u8"^ID:\\d$"), "ID:2");
    // Backward from ID finds nothing above, wraps to the bottom and takes the last match.
    EXPECT_EQ(find(u8"^a.?c:", true), "ac:5");
    EXPECT_EQ(find(u8"^a.?c:", true), "abc:4");
}

TEST_F(ViewerFind, NoMatchShowsNotFoundAndRestoresTheCaption)
{
    v->tree().selectItem(itemAt(*v, "user"));
    QString during;
    QTimer::singleShot(20, next, [&] { during = next->text(); });
    EXPECT_EQ(find(u8"nothing here"), "user");
    EXPECT_EQ(during, qt::ui(u8"找不到"));
    EXPECT_EQ(next->text(), qt::ui(u8"下一个"));
    // A pattern the engine rejects is no miss: the caption comes back at once, the find box
    // turns red and the status line gives the engine's reason and where.
    QTest::mouseClick(v->control<QRadioButton>(u8"单选框正则"), Qt::LeftButton);
    const std::pair<const char8_t*, const char8_t*> rejected[] = {
        {u8"(unclosed", u8"正则表达式无效（末尾处）：missing closing parenthesis"},
        {u8"中)b", u8"正则表达式无效（第 2 个字符处）：unmatched closing parenthesis"}};
    for (const auto& [pattern, said] : rejected) {
        text->setStyleSheet(QString());
        EXPECT_EQ(find(pattern, true), "user");
        EXPECT_EQ(previous->text(), qt::ui(u8"上一个"));
        EXPECT_EQ(v->window->statusText(), qt::ui(said));
        EXPECT_FALSE(text->styleSheet().isEmpty());
    }
}

TEST_F(ViewerFind, DoubleClickAndPasteFillTheFindText)
{
    TreeView& t = v->tree();
    const QRect r = t.visualRect(t.treeModel().indexOfItem(1));
    const QPoint at(r.x() + 20, r.center().y());
    QTest::mouseClick(t.viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(t.selectedItem(), 1);
    QTest::mouseDClick(t.viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(text->text(), QStringLiteral("id:1"));
    QApplication::clipboard()->setText(qt::ui(u8"剪贴板"));
    QTest::mouseClick(v->control<QPushButton>(u8"按钮粘贴"), Qt::LeftButton);
    EXPECT_EQ(text->text(), qt::ui(u8"剪贴板"));
}

TEST(ViewerFlow, AboutOpensOneReadOnlyDialog)
{
    TempDir dir;
    Viewer v(dir.str());
    bool checked = false;
    QTimer::singleShot(0, [&] {
        InfoDialog* d = openInfoDialog();
        ASSERT_NE(d, nullptr);
        // A second request while it is open returns at once.
        v.window->showAbout();
        EXPECT_EQ(openInfoDialog(), d);
        EXPECT_EQ(d->windowTitle(), qt::ui(u8"信息："));
        EXPECT_TRUE(d->bodyBox()->isReadOnly());
        EXPECT_EQ(d->focusWidget(), d->bodyBox());
        EXPECT_EQ(d->bodyBox()->document()->firstBlock().text(),
                  qt::ui(u8"【右键单击读取网址数据时，可以附加Ctrl键表示该数据是UTF-8，Alt键表示是GBK，否则自动识别编码】"));
        EXPECT_EQ(d->closeButton()->text(), qt::ui(u8"关闭(&G)"));
        EXPECT_EQ(d->size(), QSize(495, 393));
        QTest::keyClicks(d->bodyBox(), "typed");
        EXPECT_EQ(d->bodyBox()->toPlainText().indexOf(QStringLiteral("typed")), -1);
        checked = true;
        QTest::mouseClick(d->closeButton(), Qt::LeftButton);
    });
    QTest::mouseClick(v.control<QLabel>(u8"链接疑点说明"), Qt::LeftButton);
    EXPECT_TRUE(checked);
    EXPECT_EQ(openInfoDialog(), nullptr);

    // The picture opens it on a click: the press alone does nothing.
    bool opened = false;
    auto closeIfOpen = [&opened] {
        if (InfoDialog* d = openInfoDialog()) {
            opened = true;
            d->reject();
        }
    };
    auto* picture = v.control<QLabel>(u8"图片疑点说明");
    QTimer::singleShot(0, closeIfOpen);
    QTest::mousePress(picture, Qt::LeftButton);
    settle();
    EXPECT_FALSE(opened);
    QTimer::singleShot(0, closeIfOpen);
    QTest::mouseRelease(picture, Qt::LeftButton);
    EXPECT_TRUE(opened);
}

TEST(ViewerFlow, SecondInstanceLeavesTheFilesOfTheFirstAlone)
{
    TempDir dir;
    Viewer first(dir.str());
    first.paste(u8"[1,2]");
    {
        Viewer second(dir.str());
        EXPECT_FALSE(second.held);
        second.paste(u8"[\"second\"]");
        second.closeWindow();
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("JSON数据.txt")));
    first.closeWindow();
    EXPECT_EQ(readFile(dir.file("JSON数据.txt")), "[1,2]");
}

TEST(ViewerFlow, LayoutFollowsTheWindowSize)
{
    TempDir dir;
    Viewer v(dir.str());
    v.window->resize(1200, 900);
    settle();
    auto* bar = v.control<QFrame>(u8"外形框1");
    auto* pathBox = v.control<QLineEdit>(u8"编辑框路径");
    auto* value = v.control<QPlainTextEdit>(u8"编辑框路径数据");
    auto* decoded = v.control<QPlainTextEdit>(u8"编辑框路径数据2");
    QTabWidget* tabs = v.window->tabs();
    // The status line takes the bottom row; the form's rules hold for the area above it.
    auto* status = v.window->findChild<QLabel*>(QStringLiteral("statusLine"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->geometry().bottom(), 899);
    const int h = status->y();
    EXPECT_EQ(bar->geometry(), QRect(0, h - bar->height(), 1200, bar->height()));
    const int d = h - tabs->y() - bar->height();
    EXPECT_EQ(tabs->height(), d);
    // The path box leaves room for the formatted-view toggle at the end of its row.
    auto* toggle = v.control<QCheckBox>(u8"选择框格式化显示");
    EXPECT_EQ(pathBox->width() + toggle->width() + 6, 1200 - pathBox->x() - 10);
    EXPECT_EQ(toggle->geometry().right(), 1200 - 10 - 1);
    EXPECT_EQ(value->width(), 1200 - pathBox->x() - 10);
    EXPECT_EQ(value->height(), static_cast<int>(std::lround(2 * d / 3.0 - 5)));
    EXPECT_EQ(decoded->y(), value->y() + value->height() + 5);
    EXPECT_EQ(decoded->height(), static_cast<int>(std::lround(d / 3.0)));
    EXPECT_EQ(v.control<QFrame>(u8"图片框1")->width(), 1200);
}

TEST(ViewerFlow, FileArgumentsAndDropsLoadLikeAPaste)
{
    TempDir dir;
    Viewer v(dir.str());
    writeFile(dir.file("in.json"), "\xEF\xBB\xBF{\"k\":\"\xE4\xB8\xAD\"}"); // UTF-8 with a byte-order mark
    ASSERT_TRUE(v.window->loadFileIntoCurrentSlot(dir.file("in.json")));
    EXPECT_EQ(v.caption(1), "k:\"中\"");
    EXPECT_EQ(v.tree().sourceText, gb(u8"{\"k\":\"中\"}"));
    EXPECT_FALSE(v.window->loadFileIntoCurrentSlot(dir.file("missing.json")));
    EXPECT_EQ(v.caption(1), "k:\"中\"");
    writeFile(dir.file("in16.json"), std::string("\xFE\xFF\0[\x4E\x2D\0]", 8)); // UTF-16BE with its mark
    ASSERT_TRUE(v.window->loadFileIntoCurrentSlot(dir.file("in16.json")));
    EXPECT_EQ(v.tree().sourceText, gb(u8"[中]"));
    // A file named at start that cannot be read is reported on the command line.
    TempDir other;
    ::testing::internal::CaptureStderr();
    Viewer started(other.str(), true, [&](MainWindowSetup& s) { s.startFile = other.file("missing.json"); });
    settle();
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("cannot read " + other.file("missing.json")),
              std::string::npos);
    EXPECT_EQ(started.tree().itemCount(), 0);
}

} // namespace
} // namespace tess::testing

namespace tess::testing {
namespace {

TEST(ViewerFlow, KeyboardShortcuts)
{
    TempDir dir;
    Viewer v(dir.str());
    v.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(v.window.get()));
    // Ctrl+V in a tree pastes like the paste button.
    QApplication::clipboard()->setText(QStringLiteral("{\"id\":1,\"x\":2,\"id2\":3}"));
    v.tree().setFocus();
    QTest::keyClick(&v.tree(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(v.tree().itemCount(), 4);
    // Ctrl+F puts the focus into the find text; F3 and Shift+F3 find next and previous.
    QTest::keyClick(v.window.get(), Qt::Key_F, Qt::ControlModifier);
    auto* text = v.control<QLineEdit>(u8"编辑框查找文本");
    EXPECT_EQ(QApplication::focusWidget(), text);
    text->setText(QStringLiteral("id"));
    QTest::keyClick(text, Qt::Key_F3);
    EXPECT_EQ(v.tree().selectedItem(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
    EXPECT_EQ(v.tree().selectedItem(), 3);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(v.tree().selectedItem(), 1);
}

} // namespace
} // namespace tess::testing

namespace tess::testing {
namespace {

TEST(ViewerFlow, ClickingAnItemShowsItsPathAndTheTreeKeepsItsSelection)
{
    TempDir dir;
    Viewer v(dir.str());
    v.paste(u8"{\"a\":1,\"b\":2}");
    TreeView& t = v.tree();
    auto* path = v.control<QLineEdit>(u8"编辑框路径");
    auto* value = v.control<QPlainTextEdit>(u8"编辑框路径数据");
    auto at = [&t](int item) {
        const QRect r = t.visualRect(t.treeModel().indexOfItem(item));
        return QPoint(r.x() + 20, r.center().y());
    };
    QTest::mouseClick(t.viewport(), Qt::LeftButton, {}, at(2));
    EXPECT_EQ(t.selectedItem(), 2);
    EXPECT_EQ(box(path), "b");
    EXPECT_EQ(box(value), "2");
    // Ctrl with a click or with Space does not leave the tree without a selected item.
    QTest::mouseClick(t.viewport(), Qt::LeftButton, Qt::ControlModifier, at(2));
    EXPECT_EQ(t.selectedItem(), 2);
    QTest::keyClick(&t, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(t.selectedItem(), 2);
    EXPECT_EQ(box(path), "b");
    QTest::keyClick(&t, Qt::Key_Up);
    EXPECT_EQ(t.selectedItem(), 1);
    EXPECT_EQ(box(path), "a");
}

// Collects the regions painted on a widget.
class PaintSpy : public QObject {
public:
    explicit PaintSpy(QWidget* w) { w->installEventFilter(this); }
    QRegion painted;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
};

TEST(ViewerFlow, IconSwitchRepaintsEveryVisibleItem)
{
    TempDir dir;
    Viewer v(dir.str());
    v.paste(u8"{\"a\":1,\"b\":{\"c\":2}}");
    settle();
    TreeView& t = v.tree();
    PaintSpy spy(t.viewport());
    QTest::mouseClick(v.control<QCheckBox>(u8"选择框文字图标"), Qt::LeftButton);
    settle();
    for (int item = 0; item < 3; ++item)
        EXPECT_TRUE(spy.painted.contains(t.visualRect(t.treeModel().indexOfItem(item)))) << item;
}

TEST(ViewerFlow, ClosingWhileAboutIsOpenClosesItAndSaves)
{
    TempDir dir;
    Viewer v(dir.str());
    v.paste(u8"[1]");
    bool leftOpen = false;
    QTimer::singleShot(0, v.window.get(), [&v] { v.window->requestClose(); });
    QTimer::singleShot(3000, [&leftOpen] {
        if (InfoDialog* d = openInfoDialog()) {
            leftOpen = true;
            d->reject();
        }
    });
    v.window->showAbout(); // returns when the dialog is gone
    EXPECT_FALSE(leftOpen);
    EXPECT_FALSE(v.window->isVisible());
    EXPECT_EQ(readFile(dir.file("JSON数据.txt")), "[1]");
}

TEST(ViewerFlow, LongPathsMakeTheRoundTripThroughThePathBox)
{
    TempDir dir;
    Viewer v(dir.str());
    // Nesting is bounded, so long names make the innermost path longer than 32767 characters.
    const int depth = 1000;
    const std::string name(40, 'k');
    std::string json;
    for (int i = 0; i < depth; ++i)
        json += "{\"" + name + "\":";
    json += "\"end\"" + std::string(depth, '}');
    v.paste(reinterpret_cast<const char8_t*>(json.c_str()));
    TreeView& t = v.tree();
    ASSERT_EQ(t.itemCount(), depth + 1);
    t.selectItem(depth);
    const std::string path = box(v.control<QLineEdit>(u8"编辑框路径"));
    EXPECT_GT(path.size(), 32767u);
    EXPECT_EQ(path.substr(path.size() - name.size()), name);
    EXPECT_EQ(box(v.control<QPlainTextEdit>(u8"编辑框路径数据")), "end");
}

} // namespace
} // namespace tess::testing
