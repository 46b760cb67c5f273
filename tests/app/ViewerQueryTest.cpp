// jq queries in the window: results open in the first empty tab (a tolerant text queried
// through its standard form), JSON Lines per record, and jq's own messages on errors.
#include "ViewerFixture.h"
#include "app/TabController.h"

#include <QTabWidget>
#include <cstdlib>

namespace tess::testing {
namespace {

void waitQuery(Viewer& v, int tab)
{
    for (int i = 0; i < 1000 && v.window->tab(tab).running(TabJob::Query); ++i)
        QTest::qWait(10);
    settle();
    for (int i = 0; i < 1000 && v.window->parseRunning(v.window->currentSlot()); ++i)
        QTest::qWait(10);
    settle();
}

TEST(ViewerQuery, ResultsOpenInTheFirstEmptyTab)
{
    TempDir dir;
    Viewer v(dir.str());
    v.window->tabs()->setCurrentIndex(2);
    settle();
    v.paste(u8"{items:[{id:1,'tag':\"a\"},{id:2,tag:\"b\"},{id:3,tag:\"a\",},]}");
    v.window->startQuery(QStringLiteral("[.items[] | select(.tag == \"a\") | .id]"));
    waitQuery(v, 3);
    // Tab 1 was empty: the results are there, and tab 3 keeps its document.
    EXPECT_EQ(v.window->currentSlot(), 1);
    EXPECT_EQ(utf8(v.tree().sourceText), "[1,3]\n");
    ASSERT_GE(itemAt(v, "[2]"), 0);
    EXPECT_EQ(v.caption(itemAt(v, "[2]")), "[2]:3");
    EXPECT_GT(v.window->tab(3).slot().document->nodes().nodeCount(), 0);

    // The next query from tab 1 goes to tab 2, the first one still empty.
    v.window->startQuery(QStringLiteral(".[] | . * 10"));
    waitQuery(v, 1);
    EXPECT_EQ(v.window->currentSlot(), 2);
    EXPECT_EQ(utf8(v.tree().sourceText), "10\n30\n");
}

TEST(ViewerQuery, ErrorsShowJqsMessage)
{
    TempDir dir;
    Viewer v(dir.str());
    v.paste(u8R"({"a":"text"})");
    // Does not compile: jq's message, nothing runs.
    v.window->startQuery(QStringLiteral(".a | ("));
    EXPECT_FALSE(v.window->tab(1).running(TabJob::Query));
    EXPECT_TRUE(v.window->statusText().contains(QStringLiteral("jq: error"))) << v.window->statusText().toStdString();
    EXPECT_TRUE(v.window->statusText().contains(qt::ui(u8"jq 程序有错")));
    // Fails while it runs: jq's message, and no tab gets a document.
    v.window->startQuery(QStringLiteral(".a + 1"));
    waitQuery(v, 1);
    EXPECT_TRUE(v.window->statusText().contains(QStringLiteral("cannot be added"))) << v.window->statusText().toStdString();
    EXPECT_EQ(v.window->currentSlot(), 1);
    EXPECT_EQ(v.window->tab(2).slot().document->nodes().nodeCount(), 0);
}

TEST(ViewerQuery, JsonLinesRunOncePerRecord)
{
    ::setenv("TESSARINE_BIG_THRESHOLD", "1", 1);
    TempDir dir;
    writeFile(dir.file("log.jsonl"), "{\"n\":1}\n{\"n\":2}\nnot json\n{\"n\":3}\n{\"s\":\"x\"}\n");
    Viewer v(dir.str());
    ASSERT_TRUE(v.window->loadFileIntoCurrentSlot(dir.file("log.jsonl")));
    for (int i = 0; i < 500 && v.window->bigLoadRunning(); ++i)
        QTest::qWait(10);
    settle();
    ::unsetenv("TESSARINE_BIG_THRESHOLD");
    ASSERT_NE(v.window->slot(1).big, nullptr);
    // The broken line is left out; a record without n gives null + 1.
    v.window->startQuery(QStringLiteral(".n + 1"));
    waitQuery(v, 1);
    EXPECT_EQ(v.window->currentSlot(), 2);
    EXPECT_EQ(utf8(v.tree().sourceText), "2\n3\n4\n1\n");
    // A record that fails: jq's message names its line.
    v.window->tabs()->setCurrentIndex(0);
    settle();
    v.window->startQuery(QStringLiteral(".s + 1"));
    waitQuery(v, 1);
    EXPECT_TRUE(v.window->statusText().contains(QStringLiteral("line 5"))) << v.window->statusText().toStdString();
}

TEST(ViewerQuery, EscStopsAQueryThatNeverEnds)
{
    TempDir dir;
    Viewer v(dir.str());
    v.paste(u8R"({"a":1})");
    // Loops without a result: jq itself is never asked to stop, its process is ended.
    v.window->startQuery(QStringLiteral("last(range(1e18))"));
    QTest::qWait(300);
    ASSERT_TRUE(v.window->tab(1).running(TabJob::Query));
    v.window->stopTask();
    for (int i = 0; i < 300 && v.window->tab(1).running(TabJob::Query); ++i)
        QTest::qWait(10);
    EXPECT_FALSE(v.window->tab(1).running(TabJob::Query));
    EXPECT_EQ(v.window->tab(2).slot().document->nodes().nodeCount(), 0);
}

} // namespace
} // namespace tess::testing
