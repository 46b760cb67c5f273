// Writes that arrive while a write runs (through the message-pump step), and the
// failure after eleven header appends with its two message boxes.
#include <gtest/gtest.h>

#include <vector>

#include "SettingsTestSupport.h"
#include "platform/MessagePump.h"
#include "settings/SettingsMessages.h"
#include "settings/SettingsStore.h"

namespace tess {
namespace {

using test::gb;
using test::readFile;
using test::TempDir;

// State the pump hooks work on (hooks are plain function pointers).
SettingsStore* g_store = nullptr;
int g_pumpCalls = 0;
bool g_inHook = false;
std::vector<bool> g_nestedResults;
std::vector<std::size_t> g_pendingSeen;
std::string g_imageSeen;

class PumpHookGuard {
public:
    explicit PumpHookGuard(PumpHook hook) { previous_ = setPumpHook(hook); }
    ~PumpHookGuard() { setPumpHook(previous_); }

private:
    PumpHook previous_;
};

// On the first pump step of a write, two more writes arrive and a read looks at the image.
void writeDuringWrite()
{
    ++g_pumpCalls;
    if (g_inHook || !g_store->busy() || !g_nestedResults.empty())
        return;
    g_inHook = true;
    g_nestedResults.push_back(g_store->writeText("b", "2"));
    g_pendingSeen.push_back(g_store->pendingWrites());
    g_nestedResults.push_back(g_store->writeNumber("c", 3));
    g_pendingSeen.push_back(g_store->pendingWrites());
    g_imageSeen = g_store->image();
    g_inHook = false;
}

TEST(SettingsQueue, WriteDuringAWriteIsQueuedAndLandsAfterwardsInOrder)
{
    TempDir dir;
    const std::string ini = dir.file("Tessarine.ini");
    SettingsStore store;
    ASSERT_TRUE(store.open(ini));
    store.setSection("s");
    g_store = &store;
    g_nestedResults.clear();
    g_pendingSeen.clear();
    {
        PumpHookGuard guard(&writeDuringWrite);
        EXPECT_TRUE(store.writeText("a", "1"));
    }
    // Both nested writes reported "not done" at once, queued behind the running one.
    EXPECT_EQ(g_nestedResults, (std::vector<bool>{false, false}));
    EXPECT_EQ(g_pendingSeen, (std::vector<std::size_t>{2, 3}));
    EXPECT_EQ(g_imageSeen, ""); // the read saw the image before the first write's change
    EXPECT_GT(g_pumpCalls, 0);
    EXPECT_FALSE(store.busy());
    EXPECT_EQ(store.pendingWrites(), 0u);
    // a landed first, then b, then c: each new key goes right below the header.
    EXPECT_EQ(readFile(ini), "[s]\r\nc=3\r\nb=2\r\na=1");
    EXPECT_EQ(store.image(), readFile(ini));
    EXPECT_EQ(store.runPendingWrites(), SettingsStore::WriteStatus::Failed); // nothing left
    g_store = nullptr;
}

// Keeps emptying the store while it writes, so the appended header is never found.
void closeStoreEveryStep()
{
    g_store->close();
}

TEST(SettingsQueue, ElevenAppendsFailWithTwoMessages)
{
    TempDir dir;
    SettingsStore store;
    ASSERT_TRUE(store.open(dir.file("Tessarine.ini")));
    store.setSection("s");
    std::vector<SettingsMessage> shown;
    SettingsMessageHook previous = setSettingsMessageHook([&](const SettingsMessage& m) { shown.push_back(m); });
    g_store = &store;
    bool written;
    {
        PumpHookGuard guard(&closeStoreEveryStep);
        written = store.writeText("a", "1");
    }
    setSettingsMessageHook(previous);
    g_store = nullptr;

    EXPECT_FALSE(written);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, gb(u8"配置模块出现意外，可能导致无法正常保存！详情请咨询Korvell。"));
    EXPECT_EQ(shown[0].caption, gb(u8"Korvell："));
    EXPECT_EQ(shown[0].icon, SettingsMessage::Icon::Warning);
    EXPECT_EQ(shown[0].modality, SettingsMessage::Modality::System);
    EXPECT_EQ(shown[1].caption, gb(u8"信息："));
    EXPECT_EQ(shown[1].icon, SettingsMessage::Icon::None);
    EXPECT_EQ(shown[1].modality, SettingsMessage::Modality::Task);
    EXPECT_EQ(shown[1].text, "[s]"); // the whole image at that moment
    EXPECT_FALSE(store.busy());
}

} // namespace
} // namespace tess
