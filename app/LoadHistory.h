#pragma once
// Undo of a load: for each slot, the document it showed before its last paste, fetch or
// file load (its text as loaded and its selected item), kept until the program closes.
// Undoing swaps it with the current one, so a second undo returns to the later document.
#include "app/SlotFiles.h"
#include "tree/SharedText.h"

#include <array>
#include <cstdint>

namespace tess {

struct SlotDocument {
    SharedText text;    // the slot's source text, before any decoding (shared, not copied)
    int selection = -1; // selected item index
    int64_t bytes = -1; // the size the status line gave it
};

class LoadHistory {
public:
    static constexpr int kSlots = kSlotCount;

    // Keeps the document a load into slot (1..7) is about to replace.
    void remember(int slot, SlotDocument before);
    bool canUndo(int slot) const;
    // The kept document of slot, replaced by current; false (and nothing changes) when
    // nothing is kept.
    bool swap(int slot, SlotDocument& current);

private:
    struct Entry {
        SlotDocument document;
        bool kept = false;
    };
    std::array<Entry, kSlots> m_entries;
};

} // namespace tess
