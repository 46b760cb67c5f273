#include "json/big/MappedFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tess::big {

MappedFile::~MappedFile()
{
    release();
}

void MappedFile::release()
{
    if (m_mapped && m_size > 0)
        munmap(const_cast<char*>(m_data), m_size);
    m_data = nullptr;
    m_size = 0;
    m_mapped = false;
}

bool MappedFile::open(const std::string& path, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool ok = openDescriptor(fd, error);
    ::close(fd);
    if (!ok)
        error = path + ": " + error;
    return ok;
}

bool MappedFile::openDescriptor(int fd, std::string& error)
{
    release();
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "not a regular file";
        return false;
    }
    if (st.st_size == 0)
        return true;
    void* p = mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (p == MAP_FAILED) {
        error = std::string("cannot map: ") + std::strerror(errno);
        return false;
    }
    m_data = static_cast<const char*>(p);
    m_size = static_cast<std::size_t>(st.st_size);
    m_mapped = true;
    return true;
}

void MappedFile::borrow(std::string_view bytes)
{
    release();
    m_data = bytes.data();
    m_size = bytes.size();
}

void MappedFile::adviseSequential(bool sequential) const
{
    if (m_mapped && m_size > 0)
        madvise(const_cast<char*>(m_data), m_size, sequential ? MADV_SEQUENTIAL : MADV_RANDOM);
}

} // namespace tess::big
