#pragma once
// Is a text standard JSON (RFC 8259, UTF-8)? One pass of the big road's validating reader
// that keeps no index, so memory stays bounded by the nesting depth at any size. The
// first error comes back with its place and a short English reason. No Qt; safe to run
// off the window's thread (the progress callback can stop it).
//
// Rejected: NaN, Infinity, comments, single quotes, trailing commas, text in another
// charset (UTF-16 with or without its mark), and a UTF-8 byte-order mark (which the
// standard forbids writers to add, though readers may skip it).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tess::big {

struct StrictError {
    uint64_t offset = 0; // of the offending byte, from 0
    uint64_t line = 0;   // 1-based
    uint64_t column = 0; // 1-based, in characters
    std::string message; // English, short
};

struct StrictCheck {
    std::optional<StrictError> error; // nothing: standard JSON
    bool cancelled = false;           // the progress callback stopped the pass
};

// progress(done, total) is called about every 16 MiB; returning false stops the pass.
StrictCheck checkStrict(std::string_view utf8, const std::function<bool(uint64_t, uint64_t)>& progress = {});

// The same for engine text (GB18030), as the window holds it: read from a UTF-8 copy, so
// the offset counts UTF-8 bytes; line and column are the same in either charset.
StrictCheck checkStrictEngineText(std::string_view gb, const std::function<bool(uint64_t, uint64_t)>& progress = {});

} // namespace tess::big
