#include "app/FormWidgets.h"

#include <QMouseEvent>

namespace tess {

int modifierState(Qt::KeyboardModifiers modifiers)
{
    int state = 0;
    if (modifiers & Qt::ControlModifier)
        state |= 1;
    if (modifiers & Qt::ShiftModifier)
        state |= 2;
    if (modifiers & Qt::AltModifier)
        state |= 4;
    return state;
}

void PressButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        event->accept();
        emit rightButtonPressed(modifierState(event->modifiers()));
        return;
    }
    QPushButton::mousePressEvent(event);
}

void PressLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        event->accept();
        m_pressed = true;
        emit leftButtonPressed();
        return;
    }
    QLabel::mousePressEvent(event);
}

void PressLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        event->accept();
        if (rect().contains(event->position().toPoint()))
            emit clicked();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

} // namespace tess
