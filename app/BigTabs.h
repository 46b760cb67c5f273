#pragma once
// The tabs on the big-document road: a file at or above the threshold is indexed on a
// worker thread (the tab keeps its document meanwhile), then shown through a lazy model
// over the mapped file. Find runs on a worker too; the status line shows the progress of
// either and Esc stops it. The window wires its commands here and shows what comes back.
#include "app/BackgroundJob.h"
#include "app/Slot.h"
#include "app/TabController.h"
#include "json/PathSyntax.h"
#include "json/TreeSearch.h"
#include "tree/widgets/TreeLoader.h"

#include <QModelIndex>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QShortcut;
class QTimer;
class QWidget;

namespace tess {

namespace big {
class BigDocument;
}
class BigExpansion;
class TreeIcons;

// What the tabs need of the window.
struct BigTabsHost {
    // Tab n's controller: its slot, and the jobs the big road runs for it.
    std::function<TabController&(int)> tab;
    std::function<int()> currentSlot;
    std::function<void(const QString&)> showStatus;
    // Tab n now shows a big document (or another model over it): boxes and status line.
    std::function<void(int)> documentShown;
    std::function<bool()> zeroBased;
    // A load, find or expansion started or ended: the window's Esc key follows.
    std::function<void()> runningChanged;
    const TreeIcons* icons = nullptr;
};

// The selected node of a big tab as the path and value boxes show it.
struct BigSelection {
    bool present = false;
    bool container = false;
    std::string path;    // engine text
    std::string value;   // at most kValueBoxBytes, from its beginning
    std::string decoded;
    uint64_t wholeBytes = 0; // the value's bytes in the file when value holds only its beginning
};

// What a copy of a big value takes: the value, decoded, or laid out.
enum class BigCopy { Value, Decoded, Formatted };

// What a find asks for.
struct BigFindRequest {
    std::string text; // engine text
    FindMode mode = FindMode::Plain;
    bool ignoreCase = false;
    bool backward = false;
};

class BigTabs : public QObject {
public:
    BigTabs(QWidget* window, BigTabsHost host);
    ~BigTabs() override;

    // The value boxes show at most this much of a value, from its beginning.
    static constexpr uint64_t kValueBoxBytes = uint64_t(4) << 20;

    // With selectAt (a tree position, see selectedPosition), that node is selected once shown.
    void startLoad(int n, FileSource source, int64_t selectAt = -1);
    // True while any tab's big file is being read.
    bool loadRunning() const;
    // True while tab n's big file is being read.
    bool loading(int n) const { return m_host.tab(n).running(TabJob::BigLoad); }
    bool findRunning() const;
    // Stops tab n's big-road work and drops its results (a new load into the tab).
    void stopTab(int n);
    // The same in every tab (the window closing).
    void stopAll();
    // Esc: every running load or find ends soon and says so.
    void cancel();

    // Tab n shows the document (a new model over it); with remember, its previous one is
    // kept for undo (a big file by name).
    void show(int n, std::shared_ptr<const big::BigDocument> document, FileSource source, int64_t ms,
              bool remember = true);
    // A pasted, fetched or stored text of JSON Lines (its first two lines hold a value
    // each) is shown as the list of its records, on the big road's model over a UTF-8 copy
    // of it; the tab keeps the text. False, and nothing changes, for any other text.
    bool showLines(int n, LoadRequest& request);
    // The two halves of showLines: the records of a text of JSON Lines, read from a UTF-8
    // copy held with the document, or null for any other text (on any thread; a large text
    // is read on a worker); and showing them in tab n, which keeps the text.
    static std::shared_ptr<const big::BigDocument> readLines(const SharedText& text);
    // Decoding first and single quotes hand JSON Lines to the engine as one text.
    static bool linesShown(const LoadOptions& options) { return !options.decodeFirst && !options.singleQuoteFormat; }
    void presentLines(int n, std::shared_ptr<const big::BigDocument> document, LoadRequest& request, int64_t ms);
    // The same document again, under the current options (element numbering).
    void rerender(int n);
    // Tab n's big document, if any, is no longer shown.
    void drop(int n);

    // Find from the selected node on; the node found is selected. False when the request
    // cannot run here (said in the status line).
    void find(int n, const BigFindRequest& request);

    // Opens the selected node (the root when none) and every container below it; or the
    // whole tree to a level (level 1: the root's children shown). The nodes to be shown
    // are counted on a worker first; above askAbove the user is asked (default No).
    // Then the containers are read and opened in slices; Esc stops either step.
    void expandBelow(int n);
    void expandToLevel(int n, int level);
    bool expandRunning() const;
    bool expandRunning(int n) const
    {
        return m_host.tab(n).running(TabJob::BigCount) || m_host.tab(n).expansion != nullptr;
    }
    // Above this many items to show, the user is asked first; above the second, the
    // expansion is refused (the view's memory and layout grow with every row shown).
    uint64_t askAbove = 1000000;
    uint64_t refuseAbove = 5000000;

    // Copies the selected node's whole value to the clipboard, read from the file on a
    // worker (progress in the status line, Esc stops it). False, and nothing happens, when
    // the value boxes hold the value whole (the caller copies the box).
    bool copyWhole(int n, BigCopy form);
    // A value of more bytes is not copied (the clipboard would hold gigabytes).
    uint64_t copyMostBytes = uint64_t(256) << 20;

    std::string statusText(int n) const;
    // The value boxes' texts only with alsoValue.
    BigSelection selection(int n, bool compactTree, bool alsoValue);
    // True when tab n's big file is as it was opened (or the tab shows none); otherwise
    // the tab lets the file go, says so in its tree and the status line, and offers to
    // read it again. Every command that reads the file asks first; so do the rows' paint
    // and a timer.
    bool checkFile(int n);
    // The node a typed path names (any form), or an invalid index.
    QModelIndex indexOfPath(int n, std::string_view typed);
    // The selected node's path (the root's with nothing selected); nothing for an empty tab.
    std::optional<std::string> pathOf(int n, PathStyle style, bool compactTree) const;
    // A remembered file at start: read again, or the reason it is not (empty when read).
    QString reopen(int n, FileSource source, int64_t selectAt = -1);
    // The selected node's place in tree order: 0 the root, its caption's first byte + 1
    // for another node; -1 when nothing is selected. It names the node in the next run.
    int64_t selectedPosition(int n) const;

private:
    // Tab n shows the document through a new model (the tab's text and source are the
    // caller's).
    void present(int n, std::shared_ptr<const big::BigDocument> document, int64_t ms);
    void onLoaded(int n, const std::shared_ptr<big::BigDocument>& document, bool opened, const std::string& error,
                  FileSource source, bool cancelled, int64_t ms, int64_t selectAt);
    void selectPosition(int n, int64_t position);
    void showProgress();
    bool eventFilter(QObject* watched, QEvent* event) override;
    enum class FileState { Same, Changed, Gone };
    FileState fileState(int n) const;
    void fileChanged(int n, bool gone);
    void expand(int n, const QModelIndex& top, uint64_t openDepth, bool levels);
    void stopExpansion(int n);
    void jobStarted();
    void jobEnded();
    bool anyRunning() const;
    Slot& slot(int n) const { return m_host.tab(n).slot(); }

    BigTabsHost m_host;
    QTimer* m_progressTimer = nullptr;
    QTimer* m_fileTimer = nullptr;
};

// A remembered big file in the settings: "SIZE,MTIME,PATH" (the path in GB18030, as the
// settings file holds texts).
std::string encodeBigSource(const FileSource& source);
bool decodeBigSource(std::string_view text, FileSource& out);

} // namespace tess
