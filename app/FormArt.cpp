#include "app/FormArt.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tess {

QPixmap logoPixmap()
{
    QPixmap pm(120, 30);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 30);
    g.setColorAt(0, QColor(60, 130, 220));
    g.setColorAt(1, QColor(20, 60, 150));
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(0.5, 0.5, 119, 29), 8, 8);
    QFont f;
    f.setPixelSize(17);
    f.setBold(true);
    f.setItalic(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 120, 30), Qt::AlignCenter, QStringLiteral("Korvell"));
    return pm;
}

QPixmap homePagePixmap()
{
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath roof;
    roof.moveTo(2, 12);
    roof.lineTo(12, 3);
    roof.lineTo(22, 12);
    roof.closeSubpath();
    p.setPen(QPen(QColor(150, 40, 30), 1));
    p.setBrush(QColor(210, 70, 50));
    p.drawPath(roof);
    p.setBrush(QColor(240, 220, 170));
    p.drawRect(QRectF(5, 12, 14, 9));
    p.setBrush(QColor(120, 80, 40));
    p.drawRect(QRectF(10, 15, 4, 6));
    return pm;
}

QPixmap questionPixmap()
{
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(20, 90, 180), 1.5));
    p.setBrush(QColor(230, 240, 255));
    p.drawEllipse(QRectF(2, 2, 20, 20));
    QFont f;
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(2, 2, 20, 20), Qt::AlignCenter, QStringLiteral("?"));
    return pm;
}

} // namespace tess
