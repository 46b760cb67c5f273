#include "tree/widgets/MappedBytes.h"

#include <cstring>
#include <new>
#include <sys/mman.h>
#include <unistd.h>

namespace tess {
namespace {

std::size_t pageRounded(std::size_t bytes)
{
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    return (bytes + page - 1) / page * page;
}

constexpr std::size_t kFirstCapacity = 64 * 1024;

} // namespace

MappedBytes::~MappedBytes()
{
    release();
}

void MappedBytes::release()
{
    if (m_data)
        munmap(m_data, m_capacity);
    m_data = nullptr;
    m_size = 0;
    m_capacity = 0;
}

void MappedBytes::remap(std::size_t capacity)
{
    void* p = MAP_FAILED;
    if (m_data)
        p = mremap(m_data, m_capacity, capacity, MREMAP_MAYMOVE);
    if (p == MAP_FAILED) {
        // No mapping yet, or the kernel (or a tool emulating it) would not move this one:
        // a fresh mapping, and the bytes copied over once.
        p = mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
        if (m_data) {
            std::memcpy(p, m_data, m_size);
            munmap(m_data, m_capacity);
        }
    }
    m_data = static_cast<char*>(p);
    m_capacity = capacity;
}

void MappedBytes::reserve(std::size_t bytes)
{
    if (bytes > m_capacity)
        remap(pageRounded(bytes));
}

void MappedBytes::grow(std::size_t more)
{
    std::size_t capacity = m_capacity ? m_capacity * 2 : kFirstCapacity;
    while (capacity - m_size < more)
        capacity *= 2;
    remap(capacity);
}

void MappedBytes::shrinkToFit()
{
    if (m_size == 0) {
        release();
        return;
    }
    const std::size_t capacity = pageRounded(m_size);
    if (capacity < m_capacity)
        remap(capacity);
}

} // namespace tess
