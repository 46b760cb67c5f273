#include "app/CloseSave.h"

#include "app/SlotFiles.h"
#include "app/UnsavedCopies.h"

#include <cstring>
#include <filesystem>

namespace tess {
namespace {

const char* utf8(const char8_t* s)
{
    return reinterpret_cast<const char*>(s);
}

} // namespace

CloseSave::CloseSave(std::string programDir, TextOf textOf)
    : m_programDir(std::move(programDir)), m_textOf(std::move(textOf))
{
}

void CloseSave::saveInto(const std::vector<int>& slots)
{
    m_failures.clear();
    for (const int n : slots) {
        int error = 0;
        if (saveFileAtomically(slotFilePath(m_programDir, n), m_textOf(n), &error) == SaveOutcome::Failed)
            m_failures.push_back({n, error});
    }
}

bool CloseSave::save(const std::vector<int>& slots)
{
    saveInto(slots);
    return m_failures.empty();
}

bool CloseSave::retry()
{
    std::vector<int> again;
    for (const SaveFailure& f : m_failures)
        again.push_back(f.slot);
    return save(again);
}

bool CloseSave::saveElsewhere(int slot, const std::string& path)
{
    for (auto it = m_failures.begin(); it != m_failures.end(); ++it) {
        if (it->slot != slot)
            continue;
        if (path.empty())
            return false;
        int error = 0;
        if (saveFileAtomically(path, m_textOf(slot), &error) != SaveOutcome::Written) {
            // A file that exists read-only is skipped by the save: say it as refused.
            it->error = error != 0 ? error : EACCES;
            return false;
        }
        m_failures.erase(it);
        return true;
    }
    return false;
}

std::vector<std::string> CloseSave::leaveUnsavedCopies() const
{
    std::vector<std::string> lines;
    for (const SaveFailure& f : m_failures) {
        const std::string copy = writeUnsavedCopy(m_programDir, f.slot, m_textOf(f.slot));
        std::string line = "tessarine: tab " + std::to_string(f.slot) + " could not be saved (" +
                           std::strerror(f.error) + ")";
        line += copy.empty() ? ", nor a copy of it" : "; its text is in " + copy;
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string CloseSave::failureList() const
{
    std::string list;
    for (const SaveFailure& f : m_failures) {
        list += utf8(u8"\n第 ") + std::to_string(f.slot) + utf8(u8" 个树页（");
        list += std::filesystem::path(slotFilePath(m_programDir, f.slot)).filename().string();
        list += utf8(u8"）：") + saveErrorText(f.error);
    }
    return list;
}

} // namespace tess
