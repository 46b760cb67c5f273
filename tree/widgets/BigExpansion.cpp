#include "tree/widgets/BigExpansion.h"

#include "tree/widgets/BigCollapse.h"
#include "tree/widgets/BigTreeModel.h"
#include "tree/widgets/TreeView.h"

#include <QElapsedTimer>
#include <QTimer>

namespace tess {

BigExpansion::BigExpansion(TreeView& view, BigTreeModel& model, const QModelIndex& top, uint64_t openDepth,
                           std::function<void(bool)> done, QObject* parent)
    : QObject(parent), m_view(&view), m_model(&model), m_top(top), m_openDepth(openDepth), m_done(std::move(done))
{
}

void BigExpansion::start()
{
    if (!m_top.isValid()) {
        finish(true);
        return;
    }
    // A collapse still closing states below would undo what this opens.
    BigCollapse::stopOn(*m_view);
    m_running = true;
    const QModelIndex top = m_top;
    // Closed while its subtree is opened, so the repaints in between stay cheap.
    m_view->collapse(top);
    const int rows = m_model->rowCount(top);
    m_itemsRead += static_cast<uint64_t>(rows);
    m_rowsOpened += static_cast<uint64_t>(rows); // shown when top opens
    m_frames.push_back(Frame{top, 0, rows, 0});
    QTimer::singleShot(0, this, [this] { slice(); });
}

void BigExpansion::stop()
{
    if (!m_running)
        return;
    m_running = false;
    if (!m_view || !m_model || !m_top.isValid() || m_view->model() != m_model)
        return;
    m_toOpen.resize(m_opened);
    BigCollapse::closeThenOpen(*m_view, *m_model, m_top, std::move(m_toOpen));
}

void BigExpansion::openTop()
{
    if (m_view && m_model && m_top.isValid() && m_view->model() == m_model) {
        m_view->expand(m_top);
        m_view->finishBulkExpand();
    }
}

bool BigExpansion::readStep()
{
    // One child in pre-order: a container under the depth is listed for opening.
    Frame& f = m_frames.back();
    if (f.row >= f.rows) {
        m_frames.pop_back();
        return !m_frames.empty();
    }
    const QModelIndex child = m_model->index(f.row++, 0, f.parent);
    const uint64_t depth = f.depth + 1;
    if ((m_openDepth == 0 || depth < m_openDepth) && m_model->opens(child)) {
        const int rows = m_model->rowCount(child);
        m_itemsRead += static_cast<uint64_t>(rows);
        m_toOpen.push_back(child);
        m_frames.push_back(Frame{child, 0, rows, depth});
    }
    return true;
}

bool BigExpansion::openStep()
{
    if (m_opened >= m_toOpen.size())
        return false;
    const QModelIndex& next = m_toOpen[m_opened++];
    m_rowsOpened += static_cast<uint64_t>(m_model->rowCount(next));
    m_view->expand(next);
    return true;
}

void BigExpansion::slice()
{
    if (!m_running)
        return; // stopped
    if (!m_view || !m_model || !m_top.isValid() || m_view->model() != m_model) {
        finish(false); // another document took the tab
        return;
    }
    QElapsedTimer clock;
    clock.start();
    m_view->beginBulkExpand();
    bool more = true;
    for (int n = 0; more; ++n) {
        more = m_reading ? readStep() : openStep();
        if (!more && m_reading) {
            m_reading = false;
            more = true;
        }
        if ((n & 63) == 63 && clock.elapsed() >= m_sliceMs)
            break;
    }
    if (more) {
        QTimer::singleShot(0, this, [this] { slice(); });
        return;
    }
    finish(true);
}

void BigExpansion::finish(bool finished)
{
    m_running = false;
    openTop();
    if (m_done)
        m_done(finished);
}

} // namespace tess
