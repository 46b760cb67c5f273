#include "tree/widgets/BigCollapse.h"

#include "tree/widgets/BigTreeModel.h"
#include "tree/widgets/TreeView.h"

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

namespace tess {

namespace {

qint64 g_sliceMs = 20;

const QString& collapseName()
{
    static const QString name = QStringLiteral("bigCollapse");
    return name;
}

} // namespace

BigCollapse::BigCollapse(TreeView& view, BigTreeModel& model, const QModelIndex& top, bool reopen)
    : QObject(&view), m_view(&view), m_model(&model), m_top(top), m_reopen(reopen)
{
    setObjectName(collapseName());
}

void BigCollapse::setSliceMs(qint64 ms)
{
    g_sliceMs = ms;
}

void BigCollapse::collapseBelow(TreeView& view, BigTreeModel& model, const QModelIndex& top)
{
    if (!top.isValid())
        return;
    view.collapse(top);
    auto* c = new BigCollapse(view, model, top, false);
    c->m_walk = true;
    c->m_frames.push_back(Frame{top, 0});
    c->start();
}

void BigCollapse::closeThenOpen(TreeView& view, BigTreeModel& model, const QModelIndex& top,
                                std::vector<QModelIndex> opened)
{
    auto* c = new BigCollapse(view, model, top, true);
    c->m_list = std::move(opened);
    c->start();
}

void BigCollapse::stopOn(TreeView& view)
{
    for (QObject* child : view.findChildren<QObject*>(collapseName(), Qt::FindDirectChildrenOnly)) {
        auto* c = static_cast<BigCollapse*>(child);
        c->m_done = true;
        c->deleteLater();
    }
}

bool BigCollapse::runningOn(const TreeView& view)
{
    for (QObject* child : view.findChildren<QObject*>(collapseName(), Qt::FindDirectChildrenOnly))
        if (!static_cast<BigCollapse*>(child)->m_done)
            return true;
    return false;
}

void BigCollapse::start()
{
    // The first slice at once: a small subtree is done before the caller goes on.
    slice();
}

bool BigCollapse::step()
{
    QModelIndex closing;
    if (!m_walk) {
        if (m_next >= m_list.size())
            return false;
        closing = m_list[m_next++];
    } else {
        if (m_frames.empty())
            return false;
        Frame& f = m_frames.back();
        const int row = m_model->nextReadRow(f.parent, f.row);
        if (row < 0) {
            m_frames.pop_back();
            return !m_frames.empty();
        }
        f.row = row + 1;
        closing = m_model->index(row, 0, f.parent);
        if (m_model->nextReadRow(closing, 0) >= 0)
            m_frames.push_back(Frame{closing, 0});
    }
    if (m_view->isExpanded(closing) && std::find(m_keep.begin(), m_keep.end(), closing) == m_keep.end())
        m_view->collapse(closing);
    return true;
}

void BigCollapse::slice()
{
    if (m_done)
        return;
    if (!m_view || !m_model || !m_top.isValid() || m_view->model() != m_model) {
        m_done = true;
        deleteLater();
        return;
    }
    m_keep.clear();
    for (QModelIndex at = m_view->currentIndex(); at.isValid(); at = at.parent())
        m_keep.push_back(at);
    QElapsedTimer clock;
    clock.start();
    // Closing states of rows not laid out only unstores them.
    m_view->beginBulkExpand();
    bool more = true;
    for (int n = 0; more; ++n) {
        more = step();
        if ((n & 255) == 255 && clock.elapsed() >= g_sliceMs)
            break;
    }
    if (more) {
        QTimer::singleShot(0, this, [this] { slice(); });
        return;
    }
    finish();
}

void BigCollapse::finish()
{
    m_done = true;
    if (m_reopen && m_view && m_model && m_top.isValid() && m_view->model() == m_model) {
        m_view->expand(m_top);
        m_view->finishBulkExpand();
    }
    deleteLater();
}

} // namespace tess
