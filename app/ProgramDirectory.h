#pragma once
// Where the viewer keeps its settings and data files.
#include <string>

namespace tess {

// dataDir when given (created when missing); otherwise the executable's folder when the
// program runs portable (its module beside it, see InstallLayout.h) and the folder is
// writable; otherwise $XDG_DATA_HOME/tessarine (default ~/.local/share/tessarine),
// created when missing. An installed program thus never writes into bin/, even as root.
// Empty when none of them can be used.
std::string resolveProgramDirectory(const std::string& executableDir, const std::string& dataDir);

} // namespace tess
