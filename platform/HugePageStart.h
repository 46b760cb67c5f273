#pragma once
// Large buffers (the text, its prepared copy, the node table) fill about a fifth faster in
// 2 MiB pages. Where the system hands those out only on request (transparent huge pages set
// to "madvise"), glibc's allocator asks for them when its tunable glibc.malloc.hugetlb=1 is
// set; tunables are read from the environment when a process starts, so the program starts
// itself once more (the same process: exec, not fork) with it set.
#include <cstdint>
#include <optional>
#include <string_view>

namespace tess {

// Whether a restart would help: GLIBC_TUNABLES not set (a user's own setting is kept, and
// the restarted program sees it set), not run under a tool that would lose sight of the
// restarted program (valgrind's preload), and the system's policy, as its file reads, is
// "madvise".
bool hugePageRestartHelps(const char* tunables, const char* preload, std::string_view thpPolicy);

// Inputs below this size are read without the restart: it costs about a millisecond (the
// program is loaded twice), more than 2 MiB pages save on a text that small.
constexpr std::uint64_t kHugePageInputMin = std::uint64_t(1) << 20;

// Whether an input of the given size, nothing when it is not known in advance (standard
// input, a URL, the window), is worth the restart.
bool inputWorthHugePages(std::optional<std::uint64_t> inputBytes);

// Restarts the program with the tunable set when that helps and the input is worth it;
// returns only when it does not (or the restart fails, and the program goes on as it is).
// In the restarted program it takes the tunable out of the environment again, so that
// programs started from it do not inherit it.
void restartWithHugePages(char** argv, std::optional<std::uint64_t> inputBytes = std::nullopt);

} // namespace tess
