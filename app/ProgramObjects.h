#pragma once
// The program-wide objects, created before the main window in this order and destroyed
// in reverse order at exit (member order).
#include "app/InfoDialog.h"
#include "app/SlotFiles.h"
#include "json/JsonDocument.h"
#include "json/JsonScanner.h"
#include "settings/SettingsStore.h"
#include "tree/Stopwatch.h"

#include <array>

namespace tess {

struct ProgramObjects {
    SettingsStore settings;
    Stopwatch stopwatch;
    std::array<JsonDocument, kSlotCount> documents; // slot n uses documents[n - 1] (see Slot::document)
    JsonScanner pathConverter;             // path form conversion only
    InfoDialogParams infoParams;
};

} // namespace tess
