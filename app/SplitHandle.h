#pragma once
// The bar between the slots' trees and the path and value boxes: dragging it moves the
// boundary. Reports the wanted x position of its left edge in its parent's coordinates.
#include <QWidget>

namespace tess {

class SplitHandle : public QWidget {
    Q_OBJECT
public:
    explicit SplitHandle(QWidget* parent = nullptr);

signals:
    void dragged(int x);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int m_grab = -1; // x of the press inside the handle, -1 when not dragging
};

} // namespace tess
