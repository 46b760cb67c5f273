#pragma once
// Runs another program with a text on its standard input and collects what it writes,
// stoppable at any moment: work that cannot be interrupted from inside (a query that loops,
// or that aborts the process when memory runs out) runs there instead of in ours. No Qt.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tess {

struct ChildRun {
    enum class Outcome {
        Exited,     // ended by itself: status is its exit status
        Signalled,  // ended by a signal it did not ask for: status is the signal
        Stopped,    // stop() said so, or the output passed its bound: killed
        NotStarted, // could not be started: error says why
    };
    Outcome outcome = Outcome::NotStarted;
    int status = -1;
    std::string out;      // standard output, at most the bound given
    std::string err;      // standard error, at most 64 KiB
    bool outCut = false;  // standard output passed the bound (the child was killed)
    std::string error;
};

// argv[0] is the program's path. stop is asked about every 50 ms; true kills the child.
ChildRun runChild(const std::vector<std::string>& argv, std::string_view input, std::size_t mostOut,
                  const std::function<bool()>& stop);

} // namespace tess
