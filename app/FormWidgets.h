#pragma once
// Small widgets of the main window: a push button that also reports right-button
// presses (with the modifier state 1 Ctrl, 2 Shift, 4 Alt), and a label that reports
// left-button presses (pictures and links).
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

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

int modifierState(Qt::KeyboardModifiers modifiers);

} // namespace tess
