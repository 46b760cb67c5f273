#pragma once
// Writes a data file's new content so that it is never left half written: the bytes go
// to a temporary file beside the file, which then takes its place by a rename.
//
// - A path that is a symbolic link is followed: the file it names is replaced, in that
//   file's own folder, and the link stays a link.
// - An existing file keeps its permission bits, its owner and its group.
// - A file the program may not write is left exactly as it is (Skipped): a file without
//   any write permission bit (made read-only on purpose; this holds for root too), a file
//   this process may not write, a file whose owner could not be kept, or anything that
//   is not a regular file.
// - An interrupted save can leave the temporary file ".<name>.saving" beside the file;
//   the next save replaces it.
#include <functional>
#include <string>
#include <string_view>

namespace tess {

enum class SaveOutcome { Written, Skipped, Failed };

SaveOutcome saveFileAtomically(const std::string& path, std::string_view bytes);

// The same with the content given in runs of bytes, so that a text held in pieces is
// written without being put together first: produce(sink) calls sink with each run in
// order, stops when sink returns false, and returns false then.
// With error given, it receives the errno of a failure (0 when written or skipped).
using ByteSink = std::function<bool(std::string_view)>;
SaveOutcome saveFileAtomically(const std::string& path, const std::function<bool(const ByteSink&)>& produce,
                               int* error = nullptr);

} // namespace tess
