// The paste button's right click against a real HTTP server on 127.0.0.1: the document
// arrives in the slot of the click, the modifier keys pick the encoding, the window keeps
// working during a slow answer, and closing stops the transfer.
#include "ViewerFixture.h"

#include "app/InformationBox.h"
#include "app/SlotFiles.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace tess::testing {
namespace {

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A server whose "/slow" answer waits until release() (or 20 s).
class LocalServer {
public:
    LocalServer()
    {
        m_server.Get("/slow", [this](const httplib::Request&, httplib::Response& res) {
            ++m_requests;
            std::unique_lock lock(m_mutex);
            m_released.wait_for(lock, std::chrono::seconds(20), [this] { return m_release; });
            res.set_content("[1,2,3]", "application/json");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
    }
    ~LocalServer()
    {
        release();
        m_server.stop();
        if (m_thread.joinable())
            m_thread.join();
    }

    // Serves the bytes at the path (no charset in the headers), counting the requests.
    void serve(const std::string& path, std::string bytes)
    {
        m_server.Get(path, [this, bytes](const httplib::Request&, httplib::Response& res) {
            ++m_requests;
            res.set_content(bytes, "text/plain");
        });
    }
    void start()
    {
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
    }
    void release()
    {
        std::lock_guard lock(m_mutex);
        m_release = true;
        m_released.notify_all();
    }
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }
    int requests() const { return m_requests.load(); }
    int port() const { return m_port; }

private:
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
    std::atomic<int> m_requests{0};
    std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_release = false;
};

struct ShownBox {
    std::string text;
    std::string caption;
};

class UrlReading : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_GT(server.port(), 0);
        setInformationBoxHook([this](const std::string& text, const std::string& caption) {
            boxes.push_back({utf8(text), utf8(caption)});
        });
    }
    void TearDown() override { setInformationBoxHook({}); }

    std::unique_ptr<Viewer> openViewer(std::size_t maxBodyBytes = kMaxBodyBytes)
    {
        return std::make_unique<Viewer>(dir.str(), true, [maxBodyBytes](MainWindowSetup& setup) {
            setup.fetchOptions.pauseMs = 20;
            setup.fetchOptions.timeoutSeconds = 5;
            setup.fetchOptions.maxBodyBytes = maxBodyBytes;
        });
    }

    static QPushButton* pasteButton(const Viewer& v) { return v.control<QPushButton>(u8"按钮粘贴JSON树"); }

    static void rightClick(const Viewer& v, const std::string& clipboard, Qt::KeyboardModifiers modifiers = {})
    {
        QApplication::clipboard()->setText(QString::fromStdString(clipboard));
        QTest::mouseClick(pasteButton(v), Qt::RightButton, modifiers);
    }

    // Right click, then wait for the fetch to end; false when it never ended.
    static bool fetchWith(const Viewer& v, const std::string& clipboard, Qt::KeyboardModifiers modifiers = {})
    {
        rightClick(v, clipboard, modifiers);
        return QTest::qWaitFor([&] { return !v.window->fetchRunning(); }, 10000);
    }

    static QString idleCaption() { return qt::ui(u8"粘贴JSON数据到树（右键单击可读取网址数据）"); }

    TempDir dir;
    LocalServer server;
    std::vector<ShownBox> boxes;
};

TEST_F(UrlReading, RightClickLoadsTheServedDocumentIntoTheCurrentSlot)
{
    server.serve("/data.json", "{\"名\":\"值\",\"list\":[1,2]}");
    server.start();
    auto v = openViewer();
    v->window->tabs()->setCurrentIndex(2);
    ASSERT_TRUE(fetchWith(*v, server.url("/data.json")));
    EXPECT_EQ(server.requests(), 1);
    ASSERT_EQ(v->tree().itemCount(), 5);
    EXPECT_EQ(v->caption(1), "名:\"值\"");
    EXPECT_EQ(v->caption(0).rfind("Korvell·JSON（载入耗时 ", 0), 0u) << v->caption(0);
    EXPECT_EQ(v->tree().sourceText, gb(u8"{\"名\":\"值\",\"list\":[1,2]}"));
    EXPECT_EQ(v->window->tree(1)->itemCount(), 0);
    EXPECT_EQ(pasteButton(*v)->text(), idleCaption());
    EXPECT_TRUE(boxes.empty());

    // Saved at close like a pasted document.
    v->closeWindow();
    EXPECT_EQ(readFile(slotFilePath(dir.str(), 3)), gb(u8"{\"名\":\"值\",\"list\":[1,2]}"));
}

TEST_F(UrlReading, ModifierKeysChooseTheEncoding)
{
    const std::string utf8Body = "{\"k\":\"\xE4\xB8\xAD\"}"; // 中 in UTF-8, no charset header
    const std::string gbkBody = "{\"k\":\"\xD6\xD0\"}";      // 中 in GBK
    server.serve("/u", utf8Body);
    server.serve("/g", gbkBody);
    server.start();
    auto v = openViewer();
    const std::string decoded = gb(u8"k:\"中\"");
    const std::string asIs = "k:\"\xE4\xB8\xAD\"";
    auto captionBytes = [&] { return v->tree().treeModel().itemCaption(1); };

    ASSERT_TRUE(fetchWith(*v, server.url("/u")));
    EXPECT_EQ(captionBytes(), decoded) << "plain: detected as UTF-8";
    ASSERT_TRUE(fetchWith(*v, server.url("/u"), Qt::AltModifier));
    EXPECT_EQ(captionBytes(), asIs) << "Alt: taken as GBK";
    ASSERT_TRUE(fetchWith(*v, server.url("/u"), Qt::ControlModifier | Qt::AltModifier));
    EXPECT_EQ(captionBytes(), decoded) << "Ctrl+Alt: automatic";
    ASSERT_TRUE(fetchWith(*v, server.url("/u"), Qt::ShiftModifier));
    EXPECT_EQ(captionBytes(), asIs) << "Shift: taken as it is";
    ASSERT_TRUE(fetchWith(*v, server.url("/u"), Qt::ControlModifier));
    EXPECT_EQ(captionBytes(), decoded) << "Ctrl: UTF-8";
    ASSERT_TRUE(fetchWith(*v, server.url("/g")));
    EXPECT_EQ(captionBytes(), decoded) << "plain: GBK detected";
    EXPECT_EQ(server.requests(), 6);

    // Ctrl forces UTF-8 even on GBK bytes: they are not taken as they are.
    ASSERT_TRUE(fetchWith(*v, server.url("/g"), Qt::ControlModifier));
    EXPECT_EQ(server.requests(), 7);
    EXPECT_NE(captionBytes(), decoded);
    EXPECT_NE(v->tree().sourceText, gbkBody);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(UrlReading, WindowKeepsWorkingDuringASlowAnswerAndIgnoresASecondClick)
{
    server.start();
    auto v = openViewer();
    const std::string url = server.url("/slow?padding=0123456789abcdefghijklmnopqrstuvwxyz");
    ASSERT_GE(url.size(), 50u);

    const auto pressed = Clock::now();
    rightClick(*v, url);
    EXPECT_LT(msSince(pressed), 1000) << "the press must not wait for the answer";
    ASSERT_TRUE(v->window->fetchRunning());
    EXPECT_EQ(pasteButton(*v)->text().toStdString(),
              "正在读取 " + url.substr(0, 24) + "..." + url.substr(url.size() - 24));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests() == 1; }, 5000));

    // Timers run and commands answer while the server holds its answer.
    bool timerRan = false;
    QTimer::singleShot(0, [&] { timerRan = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return timerRan; }, 1000));
    rightClick(*v, url, Qt::ControlModifier);
    rightClick(*v, "not a url");
    EXPECT_TRUE(boxes.empty()) << "a click during a fetch does nothing";
    v->window->tabs()->setCurrentIndex(1);
    v->paste(u8"{\"b\":2}");
    EXPECT_EQ(v->caption(1), "b:2");
    EXPECT_TRUE(v->window->fetchRunning());

    server.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !v->window->fetchRunning(); }, 10000));
    EXPECT_EQ(server.requests(), 1);
    EXPECT_EQ(pasteButton(*v)->text(), idleCaption());
    // The answer went to the slot of the click, not to the tab shown now.
    EXPECT_EQ(v->window->tree(1)->sourceText, "[1,2,3]");
    EXPECT_EQ(v->window->tree(1)->itemCount(), 4);
    EXPECT_EQ(v->window->tree(2)->sourceText, "{\"b\":2}");
}

TEST_F(UrlReading, EscOrTheMenuEntryCancelsARunningFetch)
{
    server.serve("/doc", "[7]");
    server.start();
    auto v = openViewer();
    v->window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(v->window.get()));
    v->paste(u8"[\"kept\"]");
    QAction* stop = nullptr;
    for (QAction* a : v->window->treeMenu()->actions())
        if (a->text() == qt::ui(u8"停止读取网址数据"))
            stop = a;
    ASSERT_NE(stop, nullptr);
    EXPECT_FALSE(stop->isVisible()) << "the entry shows only while a fetch runs";

    // Esc while the button shows the URL: the caption comes back at once.
    rightClick(*v, server.url("/slow"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests() == 1; }, 5000));
    ASSERT_TRUE(v->window->fetchRunning());
    EXPECT_TRUE(stop->isVisible());
    const auto pressed = Clock::now();
    QTest::keyClick(v->window.get(), Qt::Key_Escape);
    EXPECT_LT(msSince(pressed), 1000);
    EXPECT_FALSE(v->window->fetchRunning());
    EXPECT_EQ(pasteButton(*v)->text(), idleCaption());
    EXPECT_FALSE(stop->isVisible());

    // The next right click is not ignored; the cancelled answer never arrives.
    ASSERT_TRUE(fetchWith(*v, server.url("/doc")));
    EXPECT_EQ(v->tree().sourceText, "[7]");

    // The same through the tree menu's entry.
    rightClick(*v, server.url("/slow"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests() == 3; }, 5000));
    stop->trigger();
    EXPECT_FALSE(v->window->fetchRunning());
    EXPECT_EQ(pasteButton(*v)->text(), idleCaption());
    server.release();
    settle();
    QTest::qWait(100);
    settle();
    EXPECT_EQ(v->tree().sourceText, "[7]");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(UrlReading, ClipboardWithoutUrlShowsTheMessageAndFetchesNothing)
{
    server.serve("/x", "[\"upper\"]");
    server.start();
    auto v = openViewer();
    v->paste(u8"[1]");
    for (const std::string& clip : {std::string(" http://127.0.0.1/"), std::string(""), std::string("htp://x"),
                                    std::string("htt")}) {
        boxes.clear();
        rightClick(*v, clip);
        ASSERT_EQ(boxes.size(), 1u) << clip;
        EXPECT_EQ(boxes[0].text, "请先复制一个网址！程序将读取该网址处的JSON数据");
        EXPECT_EQ(boxes[0].caption, "信息：");
        EXPECT_FALSE(v->window->fetchRunning());
        EXPECT_EQ(pasteButton(*v)->text(), idleCaption());
    }
    EXPECT_EQ(v->tree().sourceText, "[1]");
    EXPECT_EQ(server.requests(), 0);

    // The scheme test ignores case.
    boxes.clear();
    std::string upper = server.url("/x");
    upper.replace(0, 4, "HTTP");
    ASSERT_TRUE(fetchWith(*v, upper));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(v->tree().sourceText, "[\"upper\"]");
}

TEST_F(UrlReading, EmptyAnswerChangesNothingAndTooLargeShowsTheMessage)
{
    server.serve("/empty", "");
    server.serve("/big", "[" + std::string(200, '1') + "]");
    server.start();
    auto v = openViewer(100);
    v->paste(u8"[1]");

    ASSERT_TRUE(fetchWith(*v, server.url("/empty")));
    EXPECT_EQ(server.requests(), 3);
    ASSERT_EQ(boxes.size(), 1u); // the user asked: a message, and the status line says it too
    EXPECT_EQ(boxes[0].text, "网址没有读到数据，文档未改变");
    EXPECT_EQ(v->window->statusText(), QString::fromStdString(boxes[0].text));
    EXPECT_EQ(v->tree().sourceText, "[1]");
    EXPECT_EQ(pasteButton(*v)->text(), idleCaption());

    ASSERT_TRUE(fetchWith(*v, server.url("/big")));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "网址处的文档太大（超过1GB），未载入。");
    EXPECT_EQ(boxes[1].caption, "信息：");
    EXPECT_EQ(v->tree().sourceText, "[1]");
    EXPECT_EQ(v->tree().itemCount(), 2);
}

TEST_F(UrlReading, ClosingOrDestroyingDuringASlowFetchReturnsPromptly)
{
    server.start();
    {
        auto v = openViewer();
        v->paste(u8"[\"kept\"]");
        rightClick(*v, server.url("/slow"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests() == 1; }, 5000));
        const auto closing = Clock::now();
        v->window->close();
        RecordProperty("close_ms", static_cast<int>(msSince(closing)));
        EXPECT_LT(msSince(closing), 1000);
        EXPECT_FALSE(v->window->fetchRunning());
        EXPECT_EQ(pasteButton(*v)->text(), idleCaption());
        settle();
        EXPECT_EQ(v->tree().sourceText, "[\"kept\"]");
        EXPECT_EQ(readFile(slotFilePath(dir.str(), 1)), "[\"kept\"]");
    }
    {
        auto v = openViewer();
        rightClick(*v, server.url("/slow"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests() == 2; }, 5000));
        const auto destroying = Clock::now();
        v.reset();
        RecordProperty("destroy_ms", static_cast<int>(msSince(destroying)));
        EXPECT_LT(msSince(destroying), 1000);
    }
    EXPECT_TRUE(boxes.empty());
}

} // namespace
} // namespace tess::testing
