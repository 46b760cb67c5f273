#include "app/LoadHistory.h"

#include <utility>

namespace tess {

void LoadHistory::remember(int slot, SlotDocument before)
{
    if (slot < 1 || slot > kSlots)
        return;
    Entry& e = m_entries[static_cast<std::size_t>(slot - 1)];
    e.document = std::move(before);
    e.kept = true;
}

bool LoadHistory::canUndo(int slot) const
{
    return slot >= 1 && slot <= kSlots && m_entries[static_cast<std::size_t>(slot - 1)].kept;
}

bool LoadHistory::swap(int slot, SlotDocument& current)
{
    if (!canUndo(slot))
        return false;
    std::swap(m_entries[static_cast<std::size_t>(slot - 1)].document, current);
    return true;
}

} // namespace tess
