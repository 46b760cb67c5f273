#pragma once
// Saving every tab's data file at close, and keeping account of the tabs that could not
// be saved, so that the window only asks the user what to do with them. Nothing here
// drops a text: a failed tab stays failed until it is written somewhere or the user says
// to close without it.
#include "app/SaveFile.h"

#include <functional>
#include <string>
#include <vector>

namespace tess {

struct SaveFailure {
    int slot = 0;  // 1..7
    int error = 0; // errno of the failed save
};

class CloseSave {
public:
    // The text of a tab, given in runs (see saveFileAtomically).
    using TextOf = std::function<std::function<bool(const ByteSink&)>(int slot)>;

    CloseSave(std::string programDir, TextOf textOf);

    // Writes the data files of these tabs; those that fail are kept (a data file made
    // read-only on purpose is skipped, as it always was). True when none failed.
    bool save(const std::vector<int>& slots);
    // The failed tabs once more.
    bool retry();
    // One failed tab to a file the user chose; it stops being failed when written. An
    // empty path (the user gave none) leaves it failed.
    bool saveElsewhere(int slot, const std::string& path);

    const std::vector<SaveFailure>& failures() const { return m_failures; }

    // A close nobody can be asked about: each failed tab's text goes to an unsaved copy
    // that the next start offers back. Returns one line per tab for standard error.
    std::vector<std::string> leaveUnsavedCopies() const;
    // The failed tabs for the user (UTF-8, Chinese): one line per tab, each line begun with
    // a line break: which tab, its data file's name and why.
    std::string failureList() const;

private:
    void saveInto(const std::vector<int>& slots);

    std::string m_programDir;
    TextOf m_textOf;
    std::vector<SaveFailure> m_failures;
};

} // namespace tess
