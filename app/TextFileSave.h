#pragma once
// Saving a slot's text to a file of the user's choice.
#include "tree/SharedText.h"

#include <string>
#include <string_view>

namespace tess {

// StandardJson: the tab's document written out as standard JSON (UTF-8) from its tree.
enum class SaveEncoding { Utf8, Gb18030, StandardJson };

// Writes the GB18030 text to path, converted to UTF-8 (no byte-order mark) or as it is,
// the way data files are saved (saveFileAtomically). False when it was not written,
// including a read-only file left as it is.
// badBytes receives the number of bytes that were no GB18030 and became U+FFFD.
bool saveTextFile(const std::string& path, const SharedText& gbText, SaveEncoding encoding,
                  std::size_t* badBytes = nullptr);

} // namespace tess
