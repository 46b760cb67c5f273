#pragma once
// Small widgets of the main window: a push button that also reports right-button
// presses (with the modifier state 1 Ctrl, 2 Shift, 4 Alt), and a label that reports
// left-button presses (links) and clicks, a press and a release on it (pictures).
#include <QLabel>
#include <QPushButton>

namespace tess {

class PressButton : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;

signals:
    void rightButtonPressed(int modifierState);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

class PressLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void leftButtonPressed();
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};

int modifierState(Qt::KeyboardModifiers modifiers);

} // namespace tess
