// Jobs off the window's thread: a dropped engine parse stops at its next pump step, a
// job kind never keeps more than a few threads on their way out, and a job that throws
// reports it instead of ending the program.
#include "app/BackgroundJob.h"
#include "json/JsonDocument.h"
#include "json/ValueFormatter.h"
#include "platform/MessagePump.h"
#include "json/Decoders.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <string>

namespace tess::testing {
namespace {

void waitFor(const std::function<bool()>& done)
{
    for (int i = 0; i < 3000 && !done(); ++i)
        QTest::qWait(5);
}

TEST(BackgroundJob, ADroppedParseStopsAtThePumpStep)
{
    std::string text = "[";
    for (int i = 0; i < 400000; ++i)
        text += i ? ",{\"k\":[1,2,3]}" : "{\"k\":[1,2,3]}";
    text += "]";
    BackgroundJob job;
    std::atomic<bool> started{false};
    std::atomic<bool> parsed{false};
    bool finished = false;
    job.start([&](BackgroundJob::Control&) -> BackgroundJob::Finish {
        started = true;
        JsonDocument document;
        std::string copy = text;
        document.parse(copy, false, false);
        parsed = true;
        return [&finished] { finished = true; };
    });
    waitFor([&] { return started.load(); });
    job.drop();
    job.wait();
    EXPECT_FALSE(parsed.load()) << "the parse ran to its end after it was dropped";
    QCoreApplication::processEvents();
    EXPECT_FALSE(finished);
    // Without a stop flag the same parse runs through: the flag, not the text, stopped it.
    std::string copy = text;
    JsonDocument document;
    document.parse(copy, false, false);
    EXPECT_GT(document.nodes().nodeCount(), 400000);
}

// Decoding and laying out a large value stop too (they pump nothing: the window's thread
// runs them for small values).
TEST(BackgroundJob, DroppedDecodingAndFormattingStop)
{
    std::string escapes;
    for (int i = 0; i < 2'000'000; ++i)
        escapes += "\\u4e2d&amp;";
    std::string records = "[";
    for (int i = 0; i < 1'000'000; ++i)
        records += i ? ",{\"k\":[1,2,3]}" : "{\"k\":[1,2,3]}";
    records += "]";
    const std::function<std::string()> works[] = {
        [&] { return decodeUnicodeEscapes(escapes); },
        [&] { return decodeHtmlEntities(escapes); },
        [&] { return formatValue(records); },
    };
    for (const auto& run : works) {
        BackgroundJob job;
        std::atomic<bool> started{false};
        std::atomic<bool> done{false};
        job.start([&](BackgroundJob::Control&) -> BackgroundJob::Finish {
            started = true;
            const std::string out = run();
            done = true;
            return nullptr;
        });
        waitFor([&] { return started.load(); });
        job.drop();
        job.wait();
        EXPECT_FALSE(done.load()) << "ran to its end after it was dropped";
    }
}

TEST(BackgroundJob, DroppedJobsDoNotPileUp)
{
    BackgroundJob job;
    std::atomic<int> alive{0};
    std::size_t most = 0;
    for (int i = 0; i < 12; ++i) {
        // Work that only ends when asked to, at a pump step.
        job.start([&alive](BackgroundJob::Control& control) -> BackgroundJob::Finish {
            ++alive;
            struct Leave {
                std::atomic<int>& n;
                ~Leave() { --n; }
            } leave{alive};
            // Pumps for a while after it was asked to end: only the pump step ends it sooner.
            while (!control.cancelled())
                pumpMessages();
            for (int i = 0; i < 200; ++i) {
                pumpMessages();
                QThread::msleep(1);
            }
            return nullptr;
        });
        most = std::max(most, job.pendingThreads());
    }
    EXPECT_LE(most, BackgroundJob::kMostPending);
    EXPECT_LE(alive.load(), static_cast<int>(BackgroundJob::kMostPending));
    job.wait();
    EXPECT_EQ(alive.load(), 0);
}

TEST(BackgroundJob, AJobThatThrowsIsReportedNotFatal)
{
    BackgroundJob job;
    std::string said;
    job.failed = [&said](const std::string& what) { said = what; };
    bool finished = false;
    job.start([&](BackgroundJob::Control&) -> BackgroundJob::Finish {
        throw std::bad_alloc();
    });
    waitFor([&] { return !job.running(); });
    EXPECT_EQ(said, "bad_alloc");
    EXPECT_FALSE(finished);
    // The next job of the kind runs as usual.
    job.start([&](BackgroundJob::Control&) -> BackgroundJob::Finish { return [&finished] { finished = true; }; });
    waitFor([&] { return !job.running(); });
    EXPECT_TRUE(finished);
}

} // namespace
} // namespace tess::testing
