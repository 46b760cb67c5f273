#include "tree/widgets/TreeIcons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace tess {
namespace {

QPixmap blank()
{
    QPixmap pm(TreeIcons::kSize, TreeIcons::kSize);
    pm.fill(Qt::white);
    return pm;
}

QPixmap glyph(const char8_t* ch, const QColor& colour)
{
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont f;
    f.setPixelSize(16);
    f.setBold(true);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(QRect(0, 0, TreeIcons::kSize, TreeIcons::kSize), Qt::AlignCenter,
               QString::fromUtf8(reinterpret_cast<const char*>(ch)));
    return pm;
}

QPixmap gem()
{
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QPolygonF outline({QPointF(10, 2), QPointF(17, 8), QPointF(10, 18), QPointF(3, 8)});
    QLinearGradient g(3, 2, 17, 18);
    g.setColorAt(0, QColor(120, 180, 255));
    g.setColorAt(1, QColor(20, 70, 200));
    p.setBrush(g);
    p.setPen(QPen(QColor(10, 40, 140), 1));
    p.drawPolygon(outline);
    p.setPen(QPen(QColor(220, 235, 255), 1));
    p.drawLine(QPointF(3, 8), QPointF(17, 8));
    p.drawLine(QPointF(7, 8), QPointF(10, 2.5));
    p.drawLine(QPointF(13, 8), QPointF(10, 2.5));
    return pm;
}

QPixmap boxes()
{
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setPen(QColor(60, 60, 60));
    p.drawLine(5, 7, 5, 15);
    p.drawLine(5, 10, 11, 10);
    p.drawLine(5, 15, 11, 15);
    p.setBrush(QColor(40, 160, 60));
    p.drawRect(2, 1, 7, 6);
    p.setBrush(QColor(240, 170, 30));
    p.drawRect(11, 7, 6, 5);
    p.setBrush(QColor(70, 120, 220));
    p.drawRect(11, 13, 6, 5);
    return pm;
}

QPixmap brackets()
{
    QPixmap pm = blank();
    QPainter p(&pm);
    p.setPen(QPen(QColor(210, 30, 30), 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPolyline(QPolygon({QPoint(8, 3), QPoint(4, 3), QPoint(4, 17), QPoint(8, 17)}));
    p.drawPolyline(QPolygon({QPoint(12, 3), QPoint(16, 3), QPoint(16, 17), QPoint(12, 17)}));
    return pm;
}

} // namespace

TreeIcons::TreeIcons()
{
    m_glyphPixmaps[0] = glyph(u8"值", QColor(0, 0, 230));
    m_glyphPixmaps[1] = glyph(u8"象", QColor(0, 150, 0));
    m_glyphPixmaps[2] = glyph(u8"组", QColor(220, 0, 0));
    m_picturePixmaps[0] = gem();
    m_picturePixmaps[1] = boxes();
    m_picturePixmaps[2] = brackets();
    for (int i = 0; i < 3; ++i) {
        m_glyphIcons[i] = QIcon(m_glyphPixmaps[i]);
        m_pictureIcons[i] = QIcon(m_picturePixmaps[i]);
    }
}

QIcon TreeIcons::icon(int image) const
{
    if (image < 0 || image > 2)
        return {};
    return m_glyphs ? m_glyphIcons[image] : m_pictureIcons[image];
}

QPixmap TreeIcons::pixmap(bool glyphSet, int image) const
{
    if (image < 0 || image > 2)
        return {};
    return glyphSet ? m_glyphPixmaps[image] : m_picturePixmaps[image];
}

} // namespace tess
