#pragma once
// Which file a path names and in what state: device, inode, size and modification time
// (nanoseconds). A file shown from its bytes (a mapped big file) is compared against the
// identity taken when it was opened, so that a file cut short, rewritten in place or
// replaced is noticed before its bytes are shown.
#include <cstdint>
#include <optional>
#include <string>

namespace tess {

struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

// Nothing when the path cannot be looked at (gone, no permission).
std::optional<FileIdentity> fileIdentityOf(const std::string& path);

} // namespace tess
