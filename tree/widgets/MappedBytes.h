#pragma once
// A byte buffer in an anonymous memory mapping of its own. It grows by asking the kernel
// to extend or move the mapping (mremap), which moves page table entries rather than
// bytes, so growing a large buffer never holds two copies of it. Pages never written
// cost no memory, so a generous capacity is cheap.
#include <cstddef>
#include <cstring>
#include <utility>

namespace tess {

class MappedBytes {
public:
    MappedBytes() = default;
    ~MappedBytes();
    MappedBytes(const MappedBytes&) = delete;
    MappedBytes& operator=(const MappedBytes&) = delete;

    const char* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    std::size_t capacity() const { return m_capacity; }

    // Makes room for at least bytes in total; throws std::bad_alloc when the kernel refuses.
    void reserve(std::size_t bytes);
    // Appends size bytes and then one zero byte.
    void appendWithZero(const char* bytes, std::size_t size)
    {
        if (m_capacity - m_size < size + 1)
            grow(size + 1);
        char* out = m_data + m_size;
        std::memcpy(out, bytes, size);
        out[size] = '\0';
        m_size += size + 1;
    }
    // Gives back the pages past the end.
    void shrinkToFit();
    // Empties the buffer and unmaps it.
    void release();
    void swap(MappedBytes& other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
    }

private:
    void grow(std::size_t more);
    void remap(std::size_t capacity);

    char* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

} // namespace tess
