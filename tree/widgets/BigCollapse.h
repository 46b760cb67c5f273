#pragma once
// Closing containers of a big tab's tree for good: the view keeps the opened state of
// every container below a closed one, and opening that one again would lay out all of
// them at once. The states are dropped in slices of about 20 ms on the window's thread
// while the container stays closed. One runs per view at a time; the view owns it and
// it deletes itself when done.
#include <QModelIndex>
#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>

#include <vector>

namespace tess {

class BigTreeModel;
class TreeView;

class BigCollapse : public QObject {
public:
    // Closes top now and forgets what was opened below it (the rows read so far).
    static void collapseBelow(TreeView& view, BigTreeModel& model, const QModelIndex& top);
    // Closes the given containers (top stays closed meanwhile), then opens top.
    static void closeThenOpen(TreeView& view, BigTreeModel& model, const QModelIndex& top,
                              std::vector<QModelIndex> opened);
    // Ends the one running on view, if any, where it is.
    static void stopOn(TreeView& view);
    // Whether one is running on view.
    static bool runningOn(const TreeView& view);
    // How long one slice may take (tests make it shorter).
    static void setSliceMs(qint64 ms);

private:
    BigCollapse(TreeView& view, BigTreeModel& model, const QModelIndex& top, bool reopen);
    struct Frame {
        QModelIndex parent;
        int row = 0;
    };
    void start();
    void slice();
    // One step of the work; false when done.
    bool step();
    void finish();

    QPointer<TreeView> m_view;
    QPointer<BigTreeModel> m_model;
    QPersistentModelIndex m_top;
    bool m_reopen = false;
    // Either the containers to close, or a walk over the rows read below top.
    std::vector<QModelIndex> m_list;
    std::size_t m_next = 0;
    bool m_walk = false;
    std::vector<Frame> m_frames;
    // The current index's ancestors stay open: a jump made meanwhile opened them.
    std::vector<QModelIndex> m_keep;
    bool m_done = false;
};

} // namespace tess
