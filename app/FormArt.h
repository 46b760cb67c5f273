#pragma once
// The pictures of the option panel, drawn in code.
#include <QPixmap>

namespace tess {

QPixmap logoPixmap();      // the maker's logo, 120 x 30
QPixmap homePagePixmap();  // a small house, 24 x 24
QPixmap questionPixmap();  // a question mark in a circle, 24 x 24

} // namespace tess
