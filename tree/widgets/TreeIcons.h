#pragma once
// The two icon sets of the trees, 20 x 20 pixels, indexed by node kind
// (0 scalar, 1 object, 2 array), drawn in code. One instance is shared by all trees.
#include <QIcon>
#include <QPixmap>

namespace tess {

class TreeIcons {
public:
    TreeIcons();

    // true: the glyph set (值 象 组); false: the picture set (gem, boxes, brackets).
    void setGlyphs(bool glyphs) { m_glyphs = glyphs; }
    bool glyphs() const { return m_glyphs; }
    // The icon of the current set for an image index; an empty icon for other indexes.
    QIcon icon(int image) const;
    QPixmap pixmap(bool glyphSet, int image) const;

    static constexpr int kSize = 20;

private:
    bool m_glyphs = false;
    QIcon m_glyphIcons[3];
    QIcon m_pictureIcons[3];
    QPixmap m_glyphPixmaps[3];
    QPixmap m_picturePixmaps[3];
};

} // namespace tess
