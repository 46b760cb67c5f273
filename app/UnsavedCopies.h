#pragma once
// Where a tab's text goes when its data file cannot be written at a close nobody can be
// asked about (a logout, SIGTERM), and how the next start finds it again. The copies of a
// data folder live in a folder of their own, named after the data folder:
//   $XDG_STATE_HOME/tessarine/未保存/<key>   (by default ~/.local/state/...), or, when
//   that cannot be written, <the data folder's parent>/tessarine-未保存-<key>.
// A copy holds the tab's text as its data file would (GB18030 bytes) and is named like it.
#include "app/SaveFile.h"

#include <functional>
#include <string>
#include <vector>

namespace tess {

struct UnsavedCopy {
    int slot = 0;     // 1..7
    std::string path; // the copy's file
};

// Writes the copy of slot's text; returns the file's path, or empty when no folder takes it.
std::string writeUnsavedCopy(const std::string& programDir, int slot,
                             const std::function<bool(const ByteSink&)>& produce);
// The copies left for this data folder, by slot.
std::vector<UnsavedCopy> findUnsavedCopies(const std::string& programDir);

// Why a save failed, for the user (UTF-8, Chinese), from the errno of saveFileAtomically.
std::string saveErrorText(int error);

} // namespace tess
