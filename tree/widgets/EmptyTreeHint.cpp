// The hint an empty tab shows in the tree's empty area: drawn, not an item, so that it
// is never selected, copied or searched, and gone with the first document.
#include "tree/widgets/TreeView.h"

#include "platform/qt/QtText.h"

#include <QPainter>

namespace tess {

QString emptyTreeHint()
{
    return qt::ui(u8"粘贴JSON（Ctrl+V）、拖入文件或按Ctrl+O打开");
}

void TreeView::paintEvent(QPaintEvent* event)
{
    QTreeView::paintEvent(event);
    // The view may show another model than its own (a big document's): rows there count too.
    if (itemCount() > 0 || (model() && model()->rowCount() > 0))
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    const QRect area = viewport()->rect().adjusted(12, 12, -12, -12);
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, emptyTreeHint());
}

} // namespace tess
