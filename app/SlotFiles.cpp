#include "app/SlotFiles.h"

#include "platform/InputText.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tess {
namespace {

bool readWhole(const std::string& path, std::string& out)
{
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    out.reserve(static_cast<std::size_t>(st.st_size));
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            out.clear();
            return false;
        }
        if (n == 0)
            break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

void cutAtZero(std::string& text)
{
    const std::size_t zero = text.find('\0');
    if (zero != std::string::npos)
        text.resize(zero);
}

} // namespace

std::string slotFilePath(const std::string& dir, int slot)
{
    std::string path = dir;
    path += "/JSON数据";
    if (slot >= 2)
        path += std::to_string(slot);
    path += ".txt";
    return path;
}

bool slotFileEmpty(const std::string& dir, int slot)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(slotFilePath(dir, slot), ec);
    return ec || size == 0;
}

std::string readSlotFile(const std::string& path)
{
    std::string text;
    if (!readWhole(path, text))
        return {};
    cutAtZero(text);
    return text;
}

bool readTextFile(const std::string& path, std::string& out)
{
    if (!readWhole(path, out))
        return false;
    convertInputTextInPlace(out);
    cutAtZero(out);
    return true;
}

} // namespace tess
