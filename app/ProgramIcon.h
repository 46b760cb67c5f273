#pragma once
// The program's icon, from the same pictures the install puts into the icon theme, so that
// the window shows it also when the program runs from its build folder.
#include <QIcon>

namespace tess {

QIcon programIcon();

} // namespace tess
