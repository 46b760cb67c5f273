// When the program starts itself again to have glibc's allocator use 2 MiB pages.
#include "platform/HugePageStart.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(HugePageStart, RestartsOnlyWhereItHelpsAndNothingIsLost)
{
    const char* const madvise = "always [madvise] never\n";
    struct Case {
        const char* tunables;
        const char* preload;
        const char* policy;
        bool restart;
    };
    const Case cases[] = {
        {nullptr, nullptr, madvise, true},
        {nullptr, "/usr/lib/libfoo.so", madvise, true},
        // a user's own tunables are kept (and an empty setting turns the restart off)
        {"glibc.malloc.hugetlb=0", nullptr, madvise, false},
        {"", nullptr, madvise, false},
        // valgrind would lose sight of the restarted program
        {nullptr, "/usr/libexec/valgrind/vgpreload_core-amd64-linux.so", madvise, false},
        // the system gives huge pages anyway, or never; or says nothing
        {nullptr, nullptr, "[always] madvise never\n", false},
        {nullptr, nullptr, "always madvise [never]\n", false},
        {nullptr, nullptr, "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tess::hugePageRestartHelps(c.tunables, c.preload, c.policy), c.restart)
            << (c.tunables ? c.tunables : "(unset)") << " | " << (c.preload ? c.preload : "(unset)") << " | " << c.policy;
}

TEST(HugePageStart, TheRestartedProgramLeavesNoTunableToWhatItStarts)
{
    // As the restart leaves them: the program then takes both away (and starts nothing).
    setenv("GLIBC_TUNABLES", "glibc.malloc.hugetlb=1", 1);
    setenv("TESSARINE_RESTARTED_FOR_HUGE_PAGES", "1", 1);
    char name[] = "tessarine";
    char* argv[] = {name, nullptr};
    tess::restartWithHugePages(argv);
    EXPECT_EQ(std::getenv("GLIBC_TUNABLES"), nullptr);
    EXPECT_EQ(std::getenv("TESSARINE_RESTARTED_FOR_HUGE_PAGES"), nullptr);
}
