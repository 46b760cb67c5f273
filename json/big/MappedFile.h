#pragma once
// A file mapped read-only into memory, or bytes borrowed from the caller. The mapping's
// pages belong to the page cache, not to the process's anonymous memory, and a file of
// any size fits (no 32-bit lengths).
//
// A file cut short by another program while it is mapped would kill the process at the
// first read past its new end (SIGBUS). A process-wide handler instead puts zero pages
// where the file's pages are gone and marks the mapping as cut: the reader sees zero
// bytes (never valid JSON), and cut() tells that the file changed under it. Any other
// bus error (a read error of the disk, a signal sent by hand) ends the process as usual.
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace tess::big {

class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Maps the file at path; false with a message (English) on failure. An empty file
    // maps to an empty view.
    bool open(const std::string& path, std::string& error);
    // Maps an open descriptor (a regular file); a duplicate of it is kept while mapped.
    bool openDescriptor(int fd, std::string& error);
    // Borrows bytes the caller keeps alive.
    void borrow(std::string_view bytes);

    std::string_view bytes() const { return {m_data, m_size}; }
    uint64_t size() const { return m_size; }
    // Hints the kernel that the bytes are read front to back (the index pass) or at random
    // (browsing afterwards).
    void adviseSequential(bool sequential) const;
    // True once a read found the file shorter than when it was mapped.
    bool cut() const { return m_cut.load(std::memory_order_relaxed); }

private:
    void release();
    std::atomic<bool> m_cut{false};
    const char* m_data = nullptr;
    std::size_t m_size = 0;
    bool m_mapped = false;
    int m_fd = -1; // kept while mapped: the bus-error handler asks it for the file's size
};

} // namespace tess::big
