// An empty tab shows how to fill it, drawn in the tree's empty area, until a document comes.
#include "ViewerFixture.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cstdlib>

namespace tess::testing {
namespace {

// Pixels of the tree's middle band that differ from its background.
int inkInMiddle(TreeView& view)
{
    const QImage image = view.viewport()->grab().toImage();
    const QRgb background = image.pixel(2, image.height() - 2);
    int ink = 0;
    for (int y = image.height() / 3; y < 2 * image.height() / 3; ++y)
        for (int x = 0; x < image.width(); ++x)
            ink += image.pixel(x, y) != background;
    return ink;
}

TEST(EmptyTab, ShowsTheHintUntilADocumentIsLoaded)
{
    TempDir dir;
    Viewer v(dir.str());
    v.window->resize(1000, 700);
    settle();
    EXPECT_EQ(v.tree().itemCount(), 0);
    EXPECT_GT(inkInMiddle(v.tree()), 50) << "the hint is drawn";
    v.paste(u8"{\"a\":1}");
    EXPECT_EQ(v.tree().itemCount(), 2) << "the hint is no item";
    EXPECT_EQ(inkInMiddle(v.tree()), 0) << "the items sit at the top; the hint is gone";
}

TEST(EmptyTab, NoHintOverABigDocument)
{
    TempDir dir;
    ::setenv("TESSARINE_BIG_THRESHOLD", "16", 1);
    writeFile(dir.file("big.json"), R"({"a":1,"b":[1,2,3],"c":"text"})");
    Viewer v(dir.str());
    v.window->resize(1000, 700);
    ASSERT_TRUE(v.window->loadFileIntoCurrentSlot(dir.file("big.json")));
    for (int i = 0; i < 500 && v.window->bigLoadRunning(); ++i)
        QTest::qWait(10);
    ::unsetenv("TESSARINE_BIG_THRESHOLD");
    settle();
    ASSERT_NE(v.window->slot(v.window->currentSlot()).big, nullptr);
    EXPECT_EQ(v.tree().itemCount(), 0) << "the view's own model stays empty";
    EXPECT_EQ(inkInMiddle(v.tree()), 0) << "the rows sit at the top; no hint over them";
}

} // namespace
} // namespace tess::testing
