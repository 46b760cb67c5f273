#include "app/UnsavedCopies.h"

#include "app/SlotFiles.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace tess {
namespace {

// A stable name for a data folder (FNV-1a of its absolute path).
std::string folderKey(const std::string& programDir)
{
    std::error_code ec;
    const std::string path = std::filesystem::absolute(programDir, ec).lexically_normal().string();
    uint64_t h = 0xcbf29ce484222325ULL;
    for (const unsigned char c : path) {
        h ^= c;
        h *= 0x100000001b3ULL;
    }
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return buf;
}

std::vector<std::string> candidateFolders(const std::string& programDir)
{
    const std::string key = folderKey(programDir);
    std::vector<std::string> out;
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    if (state && *state == '/')
        out.push_back(std::string(state) + "/tessarine/" + reinterpret_cast<const char*>(u8"未保存/") + key);
    else if (home && *home)
        out.push_back(std::string(home) + "/.local/state/tessarine/" + reinterpret_cast<const char*>(u8"未保存/") + key);
    std::error_code ec;
    const auto parent = std::filesystem::absolute(programDir, ec).lexically_normal().parent_path();
    if (!ec && !parent.empty())
        out.push_back((parent / (std::string("tessarine-") + reinterpret_cast<const char*>(u8"未保存-") + key)).string());
    return out;
}

} // namespace

std::string writeUnsavedCopy(const std::string& programDir, int slot,
                             const std::function<bool(const ByteSink&)>& produce)
{
    for (const std::string& folder : candidateFolders(programDir)) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec)
            continue;
        const std::string path = slotFilePath(folder, slot);
        if (saveFileAtomically(path, produce) == SaveOutcome::Written)
            return path;
    }
    return {};
}

std::vector<UnsavedCopy> findUnsavedCopies(const std::string& programDir)
{
    std::vector<UnsavedCopy> out;
    for (const std::string& folder : candidateFolders(programDir)) {
        for (int slot = 1; slot <= kSlotCount; ++slot) {
            const std::string path = slotFilePath(folder, slot);
            std::error_code ec;
            if (std::filesystem::is_regular_file(path, ec))
                out.push_back({slot, path});
        }
    }
    return out;
}

std::string saveErrorText(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return reinterpret_cast<const char*>(u8"磁盘空间不足");
    case EFBIG:
        return reinterpret_cast<const char*>(u8"文件超出允许的大小");
    case EACCES:
    case EPERM:
        return reinterpret_cast<const char*>(u8"没有写入权限");
    case EROFS:
        return reinterpret_cast<const char*>(u8"文件系统只读");
    case ENOENT:
    case ENOTDIR:
        return reinterpret_cast<const char*>(u8"数据文件夹不存在");
    default:
        return std::strerror(error);
    }
}

} // namespace tess
