#pragma once
#include <QString>

namespace tess {

// The About text (lines separated by CR LF).
QString aboutText();

} // namespace tess
