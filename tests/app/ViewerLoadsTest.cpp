// What the window shows after a load: the boxes, the size the user knows, the page a file
// named at start goes to; and Qt's own dialogs in the window's language.
#include "ViewerFixture.h"

#include "app/QtTranslations.h"
#include "app/SlotFiles.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace tess::testing {
namespace {

// "path|value|decoded value"
std::string boxes(Viewer& v)
{
    return v.control<QLineEdit>(u8"编辑框路径")->text().toStdString() + "|" +
           v.control<QPlainTextEdit>(u8"编辑框路径数据")->toPlainText().toStdString() + "|" +
           v.control<QPlainTextEdit>(u8"编辑框路径数据2")->toPlainText().toStdString();
}

TEST(ViewerLoads, AfterEveryLoadTheBoxesShowTheRestoredNodeOrNothing)
{
    TempDir dir;
    Viewer v(dir.str());
    writeFile(dir.file("in.json"), "[1]");
    v.paste(u8"{\"event\":\"order.created\",\"s\":\"{\\\"in\\\":true}\"}");
    v.tree().selectItem(1);
    v.paste(u8"{\"x\":1,\"y\":2}");
    EXPECT_EQ(boxes(v), "||");
    menuAction(v, u8"撤销载入")->trigger(); // the previous document, with its selection
    EXPECT_EQ(boxes(v), "event|order.created|order.created");
    v.tree().selectItem(2);
    menuAction(v, u8"以树打开字符串中的JSON")->trigger(); // into the empty page 2
    EXPECT_EQ(boxes(v), "||");
    v.tree().selectItem(1);
    QApplication::clipboard()->setText(QStringLiteral("{\"p\":2}"));
    QTest::keyClick(&v.tree(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(boxes(v), "||");
    v.tree().selectItem(1);
    ASSERT_TRUE(v.window->loadFileIntoCurrentSlot(dir.file("in.json")));
    EXPECT_EQ(boxes(v), "||");
    menuAction(v, u8"撤销载入")->trigger();
    EXPECT_EQ(boxes(v), "p|2|2");
}

TEST(ViewerLoads, TheStatusLineGivesTheSizeTheUserKnows)
{
    TempDir dir;
    Viewer v(dir.str());
    const auto size = [&v] { return v.window->statusText().section(QStringLiteral(" · "), 2, 2).toStdString(); };
    // Arabic letters take two bytes in UTF-8 and four in GB18030, Chinese three and two.
    v.paste(u8"{\"k\":\"مرحبا\",\"c\":\"中文\"}");
    EXPECT_EQ(size(), "31 字节");
    // A file: its own bytes, whatever its encoding; a reload and undo keep each size.
    writeFile(dir.file("in16.json"), std::string("\xFF\xFE[\0\x2D\x4E]\0", 8));
    ASSERT_TRUE(v.window->loadFileIntoCurrentSlot(dir.file("in16.json")));
    EXPECT_EQ(size(), "8 字节");
    QTest::mouseClick(v.control<QCheckBox>(u8"选择框数组从0开始"), Qt::LeftButton);
    EXPECT_EQ(size(), "8 字节");
    menuAction(v, u8"撤销载入")->trigger();
    EXPECT_EQ(size(), "31 字节");
}

TEST(ViewerLoads, TheStatusLineSaysWhereACutOffTextStopsBeingShown)
{
    TempDir dir;
    Viewer v(dir.str());
    const QString cut = qt::ui(u8"文本不完整");
    v.paste(u8"{\"名\":\"x\",\n\"list\":[1,2,");
    EXPECT_TRUE(v.window->statusText().contains(qt::ui(u8"文本不完整：第 2 行（第 20 字节）起的数组未闭合")))
        << v.window->statusText().toStdString();
    v.paste(u8"{\"a\":1");
    EXPECT_FALSE(v.window->statusText().contains(cut)) << "an open root loses nothing";
    menuAction(v, u8"撤销载入")->trigger();
    EXPECT_TRUE(v.window->statusText().contains(cut));
}

TEST(ViewerLoads, AFileNamedAtStartGoesToTheFirstEmptyPageOrReplacesTheCurrentOne)
{
    TempDir dir;
    writeFile(dir.file("named.json"), "{\"named\":1}");
    for (int n : {1, 2, 4})
        writeFile(slotFilePath(dir.str(), n), "[" + std::to_string(n) + "]");
    const auto start = [&dir](MainWindowSetup& s) { s.startFile = dir.file("named.json"); };
    {
        Viewer v(dir.str(), true, start);
        EXPECT_EQ(v.window->currentSlot(), 3);
        EXPECT_EQ(v.caption(1), "named:1");
        EXPECT_EQ(v.window->tree(1)->sourceText, "[1]");
        v.closeWindow();
    }
    for (int n = 1; n <= MainWindow::kSlots; ++n)
        writeFile(slotFilePath(dir.str(), n), "[" + std::to_string(n) + "]");
    Viewer v(dir.str(), true, start);
    EXPECT_EQ(v.window->currentSlot(), 3); // the page current at the last close
    EXPECT_EQ(v.caption(1), "named:1");
    EXPECT_TRUE(v.window->statusText().contains(QStringLiteral("Ctrl+Z")));
    menuAction(v, u8"撤销载入")->trigger();
    EXPECT_EQ(v.tree().sourceText, "[3]");

    // A file that cannot be read: the status line says which and why.
    TempDir other;
    Viewer missing(other.str(), true, [&dir](MainWindowSetup& s) { s.startFile = dir.file("gone.json"); });
    EXPECT_TRUE(missing.window->statusText().contains(qt::ui(u8"无法读取文件")) &&
                missing.window->statusText().contains(qt::ui(u8"文件不存在")))
        << missing.window->statusText().toStdString();
}

TEST(ViewerLoads, QtsOwnDialogsSpeakChinese)
{
    ASSERT_TRUE(installQtTranslations());
    const QRegularExpression chinese(QStringLiteral("[\\x{4e00}-\\x{9fff}]"));
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    for (const char* label : {"lookInLabel", "fileNameLabel", "fileTypeLabel"})
        EXPECT_TRUE(dialog.findChild<QLabel*>(QString::fromLatin1(label))->text().contains(chinese)) << label;
    for (QAbstractButton* button : dialog.findChild<QDialogButtonBox*>()->buttons())
        EXPECT_TRUE(button->text().contains(chinese)) << button->text().toStdString();
    QMessageBox box(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(box.button(QMessageBox::Yes)->text().contains(chinese));
}

TEST(ViewerLoads, TheStatusLineSaysWhereATextIsNotStandardJson)
{
    TempDir dir;
    Viewer v(dir.str());
    const QString note = qt::ui(u8"非标准JSON：");
    v.paste(u8"{\"名\": 1,\n  b: [1, 2,]}");
    // Checked on a worker: the note comes when the check is done.
    QTRY_VERIFY_WITH_TIMEOUT(v.window->statusText().contains(qt::ui(u8"非标准JSON：第 2 行第 3 列 此处应为带双引号的名称")),
                             10000);
    // A standard text has no note, and the previous text's note is gone with it.
    v.paste(u8"{\"a\": [1, 2]}");
    EXPECT_FALSE(v.window->statusText().contains(note)) << v.window->statusText().toStdString();
    QTest::qWait(300);
    EXPECT_FALSE(v.window->statusText().contains(note)) << v.window->statusText().toStdString();
}

} // namespace
} // namespace tess::testing
