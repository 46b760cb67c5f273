// Giving back the front of a buffer: the whole runs of the granule before the reader go
// back to the system, and past the buffer's last whole run the whole pages before it;
// nothing at or after the reader, and never the page the buffer starts in, go.
#include "platform/FrontRelease.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <sys/mman.h>
#include <unistd.h>

using tess::FrontRelease;

TEST(FrontRelease, GivesBackWholeRunsBeforeTheReaderOnly)
{
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t granule = FrontRelease::granule();
    ASSERT_GE(granule, page);
    // A buffer of four runs and three pages that starts just after a run's boundary, as a
    // heap block may.
    std::unique_ptr<char[]> block(new char[6 * granule]);
    const uintptr_t boundary = (reinterpret_cast<uintptr_t>(block.get()) + granule - 1) / granule * granule;
    char* data = reinterpret_cast<char*>(boundary + 100);
    const std::size_t usable = 4 * granule + 3 * page;
    const uintptr_t lastRun = boundary + 4 * granule;
    std::memset(data, 'x', usable);
    const uintptr_t firstPageEnd = (reinterpret_cast<uintptr_t>(data) + page) / page * page;

    FrontRelease release(data, usable);
    for (std::size_t reader : {granule / 2, granule + 1, granule + 7, 3 * granule + 5, 4 * granule + page, usable}) {
        release.releaseBefore(reader);
        const uintptr_t at = reinterpret_cast<uintptr_t>(data) + reader;
        const uintptr_t gone = at > lastRun ? at / page * page : at / granule * granule;
        std::size_t pages = 0;
        for (uintptr_t p = reinterpret_cast<uintptr_t>(data) / page * page; p < reinterpret_cast<uintptr_t>(data) + usable;
             p += page) {
            unsigned char resident = 0;
            ASSERT_EQ(mincore(reinterpret_cast<void*>(p), page, &resident), 0);
            const bool released = p >= firstPageEnd && p + page <= gone;
            EXPECT_EQ((resident & 1) == 0, released) << "reader " << reader << ", page " << pages;
            ++pages;
        }
        // The reader's own bytes are still there.
        if (reader < usable) {
            EXPECT_EQ(data[reader], 'x');
        }
    }
}
