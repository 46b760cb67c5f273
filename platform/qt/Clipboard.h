#pragma once
// The system clipboard as GB18030 plain text.
#include <string>
#include <string_view>

namespace tess::qt {

// The clipboard's plain text converted to GB18030; empty when it holds no text.
std::string clipboardText();
// Replaces the clipboard content by the text (GB18030).
void setClipboardText(std::string_view gb);

} // namespace tess::qt
