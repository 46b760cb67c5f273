#pragma once
// Opening many containers of a big tab's tree without freezing the window. In slices of
// about 20 ms on the window's thread, the containers below a node are listed in pre-order
// down to a depth (their rows read as the walk touches them), then opened while the node
// itself stays closed, so the view lays out only the rows outside it; the node opens at
// the end. Stopped early, what it opened is closed again in slices (BigCollapse) and the
// node opens with its own children only: showing a partial expansion would cost one
// layout of every row opened so far.
#include <QModelIndex>
#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <vector>

namespace tess {

class BigTreeModel;
class TreeView;

class BigExpansion : public QObject {
public:
    // Opens top and the containers below it whose depth below top is under openDepth
    // (0: every one). done(true) when all are open, done(false) when stopped.
    BigExpansion(TreeView& view, BigTreeModel& model, const QModelIndex& top, uint64_t openDepth,
                 std::function<void(bool finished)> done, QObject* parent = nullptr);

    void start();
    // Ends now, without calling done; what it opened is closed again in slices, then top
    // opens.
    void stop();
    bool running() const { return m_running; }
    // Work done, in rows, for the progress shown against the rows to show: listing the
    // containers and opening them count half each.
    uint64_t itemsRead() const { return (m_itemsRead + m_rowsOpened) / 2; }
    // How long one slice may take (tests make it shorter).
    void setSliceMs(qint64 ms) { m_sliceMs = ms; }

private:
    struct Frame {
        QModelIndex parent;
        int row = 0;
        int rows = 0;
        uint64_t depth = 0; // of parent below top
    };
    void slice();
    void finish(bool finished);
    void openTop();
    bool readStep();
    bool openStep();

    QPointer<TreeView> m_view;
    QPointer<BigTreeModel> m_model;
    QPersistentModelIndex m_top;
    uint64_t m_openDepth;
    std::function<void(bool)> m_done;
    std::vector<Frame> m_frames;
    // The model's rows never move, so plain indexes stay valid.
    std::vector<QModelIndex> m_toOpen;
    std::size_t m_opened = 0;
    uint64_t m_itemsRead = 0;  // rows listed
    uint64_t m_rowsOpened = 0; // rows of the containers opened
    qint64 m_sliceMs = 20;
    bool m_reading = true;
    bool m_running = false;
};

} // namespace tess
