// The tree column's width from the captions of the items shown.
//
// Measuring every caption of a million shown items with the font would take about a
// second. Byte length tracks a caption's width closely (a two-byte character is about
// two ASCII characters wide), so the items are ranked by depth indentation plus bytes,
// and only the widest few are measured with the font.
#include "tree/widgets/TreeModel.h"
#include "tree/widgets/TreeView.h"

#include "platform/qt/QtText.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <queue>
#include <utility>
#include <vector>

namespace tess {
namespace {

constexpr std::size_t kMeasured = 48;

} // namespace

void TreeView::scheduleColumnFit()
{
    if (m_fitQueued)
        return;
    m_fitQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_fitQueued = false;
        fitColumnToCaptions();
    });
}

void TreeView::fitColumnToCaptions()
{
    const TreeModel& model = treeModel();
    const QFontMetrics metrics(font());
    const int charWidth = std::max(1, metrics.averageCharWidth());
    const int indent = indentation();
    using Candidate = std::pair<long long, int>; // estimated width, item
    std::priority_queue<Candidate, std::vector<Candidate>, std::greater<>> widest;
    const int count = model.itemCount();
    for (int i = 0; i < count;) {
        const long long bytes =
            static_cast<long long>(std::min(model.itemCaptionBytes(i), TreeModel::kDisplayLimit));
        const long long estimate = static_cast<long long>(model.itemDepth(i)) * indent + bytes * charWidth;
        if (widest.size() < kMeasured) {
            widest.emplace(estimate, i);
        } else if (estimate > widest.top().first) {
            widest.pop();
            widest.emplace(estimate, i);
        }
        // A collapsed item's subtree is not shown: jump over it.
        if (model.itemChildCount(i) > 0 && !isExpanded(model.indexOfItem(i)))
            i = model.subtreeEnd(i);
        else
            ++i;
    }
    int width = 0;
    const int decoration = iconSize().width() + 12; // icon, its gaps and the row's margins
    while (!widest.empty()) {
        const int item = widest.top().second;
        widest.pop();
        std::string_view caption = model.itemCaption(item);
        caption = caption.substr(0, gbPrefixLength(caption, TreeModel::kDisplayLimit));
        const int w = model.itemDepth(item) * indent + decoration + metrics.horizontalAdvance(qt::toQString(caption));
        width = std::max(width, w);
    }
    m_captionsWidth = width;
    applyColumnWidth();
}

void TreeView::applyColumnWidth()
{
    const int width = std::max(m_captionsWidth, viewport()->width());
    if (header()->sectionSize(0) != width)
        header()->resizeSection(0, width);
}

bool TreeView::viewportEvent(QEvent* event)
{
    const bool handled = QTreeView::viewportEvent(event);
    if (event->type() == QEvent::Resize)
        applyColumnWidth();
    return handled;
}

} // namespace tess
