#pragma once
// Saving and restoring control states through the settings store. The controls come
// as a neutral list in the window's control order; a restore changes the list's
// entries (and marks them restored) for the GUI layer to apply.
//
// A control is handled when its name begins with a kind word, the control really is
// of that kind, its name is not excluded and its tag is not "禁止保存". The tag
// "字节集方式" sends a button's tag or an edit box's content to a side file.
#include <string>
#include <string_view>
#include <vector>

#include "settings/ControlState.h"

namespace tess {

class SettingsStore;

struct SyncOptions {
    std::vector<std::string> exclusions; // names left alone (GB18030)
    bool comboLists = false;             // also the item list of combo boxes
    bool comboTexts = false;             // also the edit text of combo boxes
};

// restore false: writes every handled control's state. restore true: reads each state
// with the current one as default and stores it into the entry. A non-empty section
// becomes the store's current section first.
void syncControls(SettingsStore& store, std::vector<ControlState>& controls, bool restore,
                  std::string_view section, const SyncOptions& options = {});

} // namespace tess
