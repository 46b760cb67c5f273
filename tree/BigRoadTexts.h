#pragma once
// The big road's messages (json/big writes them in English, for the command line) as the
// window shows them: in Chinese, as engine text (GB18030).
#include <string>
#include <string_view>

namespace tess {

// A JSON error or a broken line's message, or a file that cannot be read ("cannot open
// PATH: REASON"); a text it does not know comes back as it is (converted from UTF-8).
std::string bigRoadTextForWindow(std::string_view english);

} // namespace tess
