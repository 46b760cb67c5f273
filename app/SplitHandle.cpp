#include "app/SplitHandle.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace tess {

SplitHandle::SplitHandle(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::SplitHCursor);
}

void SplitHandle::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_grab = event->position().toPoint().x();
    event->accept();
}

void SplitHandle::mouseMoveEvent(QMouseEvent* event)
{
    if (m_grab < 0)
        return QWidget::mouseMoveEvent(event);
    const QPoint inParent = mapToParent(event->position().toPoint());
    emit dragged(inParent.x() - m_grab);
    event->accept();
}

void SplitHandle::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_grab >= 0 && event->button() == Qt::LeftButton) {
        m_grab = -1;
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void SplitHandle::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QStyleOption option;
    option.initFrom(this);
    option.state |= QStyle::State_Horizontal;
    style()->drawControl(QStyle::CE_Splitter, &option, &p, this);
}

} // namespace tess
