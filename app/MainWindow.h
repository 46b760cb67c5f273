#pragma once
// The main window (form "Drovantile"): option panel, paste button, seven slots on the
// tab control, path and value boxes, find bar. Owns the wiring of every control to its
// command, the slots' lazy loading and the saving at close.
#include "app/Slot.h"
#include "app/TabController.h"
#include "app/SlotFiles.h"
#include "app/TextFileSave.h"
#include "fetch/FetchOptions.h"
#include "tree/widgets/PathBoxes.h"
#include "tree/widgets/TreeLoader.h"

#include <QWidget>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QKeySequence;
class QAction;
class QMenu;
class QShortcut;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTimer;

namespace tess {

class BackgroundJob;
class BigTabs;
class PressButton;
class PressLabel;
class SplitHandle;
class TreeIcons;
class TreeView;
class ValueBox;
struct FetchOutcome;
struct ProgramObjects;

struct MainWindowSetup {
    std::string programDir;     // holds Tessarine.ini and the data files
    bool writeAtClose = true;   // false when another instance holds the settings file
    std::string startFile;      // loaded after the first activation into the first empty slot, else the current one
    int notFoundMs = 500;       // how long "找不到" stays on a find button
    FetchOptions fetchOptions;  // timeouts, pause and size limit of the URL fetch
    // The command-line program that runs jq queries in a process of their own (a program
    // that loops or runs out of memory must not take the window with it); empty: the
    // executable this process runs.
    std::string queryProgram;
};

// Where a cut-off text stops being shown, the offset counted in the text as UTF-8 (any thread).
std::optional<UnclosedValue> unclosedValueOf(const SharedText& source, bool singleQuoteFormat);

class MainWindow : public QWidget {
    Q_OBJECT
public:
    MainWindow(ProgramObjects& objects, MainWindowSetup setup, QWidget* parent = nullptr);
    ~MainWindow() override;

    static constexpr int kSlots = kSlotCount;

    // Commands (public so that tests and the benchmark drive the same code as the events).
    void activateSlot();
    void rerenderSlot();
    void pasteIntoCurrentSlot();
    void loadTextIntoCurrentSlot(std::string text);
    bool loadFileIntoCurrentSlot(const std::string& path);
    void showSelectedPath(bool alsoValue);
    void showValueAtPath();
    void copyPath();
    void copyValue();
    void copyDecodedValue();
    void findInTree(bool backward);
    void showAbout();
    void applyIconSet();
    void layoutMainWindow();

    // Commands added to the tree menu (MainWindowCommands.cpp).
    // The node the path box names, in any path syntax the boxes show or copy, becomes the
    // selected item; a path that names nothing flashes the box and says so below.
    void goToTypedPath();
    // The selected node's path in jq, JSONPath, JavaScript or Python syntax, to the clipboard.
    void copyPathAs(int style);
    // The value box's value laid out with indentation, to the clipboard.
    void copyFormattedValue();
    void setShowFormatted(bool on);
    void expandBelowSelected();
    void collapseBelowSelected();
    void expandTreeToLevel(int level);
    // Opens the JSON held in the selected string value as a tree in the first empty slot,
    // or, after asking, in the slot after the current one.
    void openEmbeddedJson();
    // Brings back the document the current slot showed before its last load.
    void undoLoad();
    // Asks for a jq program and runs it on the current tab's document (app/MainWindowQuery.cpp).
    void openQueryField();
    // Runs program off the window's thread; the results open as a tree in the first
    // empty tab, an error shows jq's message in the status line.
    void startQuery(const QString& program);
    void openFileDialog();
    void saveFileDialog(SaveEncoding encoding);
    // Writes the current slot's text to path; false when it cannot be written.
    bool saveCurrentSlot(const std::string& path, SaveEncoding encoding);
    // Refreshes the status line from the current slot and its selected item.
    void updateStatus();
    // A short message in the status line until the next refresh.
    void showStatusMessage(const QString& text);
    QString statusText() const;
    // The tree pane's width; dragging the bar sets it as a share of the window's width,
    // which it keeps when the window is resized.
    int splitPosition() const;
    void setSplitPosition(int x);
    // Closes the window the normal way; during a load the close waits for its end.
    void requestClose();
    // A close nobody can be asked about (SIGTERM, a logout): a tab whose data file cannot
    // be written goes to an unsaved copy (app/UnsavedCopies.h), and stderr says where.
    void closeBySignal();
    // At start: offers the unsaved copies a close by signal left, back into their tabs.
    void offerUnsavedCopies();
    // The paste button's right button press: fetches the URL on the clipboard on a worker
    // thread (modifier state 1 Ctrl, 2 Shift, 4 Alt picks the encoding) and loads the
    // text into the slot that was current at the press. Ignored while a fetch runs.
    void onPasteButtonRightPressed(int modifierState);
    bool fetchRunning() const { return m_fetchRunning; }
    // Stops a running fetch (Esc, or the tree menu's entry while a fetch runs): the
    // paste button's caption comes back and nothing is loaded.
    void cancelFetch();

    // The big-document road (MainWindowBig.cpp). A file that takes it (json/big/BigRoadRule.h)
    // is indexed on a worker thread while the tab keeps its document; Esc stops it.
    bool bigLoadRunning() const;
    bool bigFindRunning() const;
    bool bigExpandRunning() const;
    BigTabs& bigTabs() { return *m_bigTabs; }
    void cancelBigLoad();

    // True while a command runs in the background or in slices (a load, an expansion,
    // a find, a formatted copy, a fetch, a big file's pass or search).
    bool taskRunning() const;
    // Stops the running expansion, load, find or formatted copy (Esc).
    void stopTask();
    // A text of at least this many bytes is parsed on a worker thread (-1: none is).
    void setBackgroundLoadBytes(int64_t bytes) { m_backgroundLoadBytes = bytes; }
    // True while the tab's next document is being parsed on a worker thread.
    bool parseRunning(int slot) const { return tab(slot).parseRunning(); }
    // A tree of more items than this is searched in slices (find).
    void setFindSlicedFrom(int items) { m_findSlicedFrom = items; }
    // A value of at least this many bytes is decoded and formatted off the window's thread.
    void setBackgroundValueBytes(std::size_t bytes) { m_backgroundValueBytes = bytes; }
    // Expanding to show more rows than this asks first (-1: never asks).
    void setExpandAskLimit(int64_t items) { m_expandAskLimit = items; }
    // Expanding to show more rows than this is refused with a note (-1: never).
    void setExpandRefuseLimit(int64_t items) { m_expandRefuseLimit = items; }

    int currentSlot() const; // 1..7
    TreeView* tree(int n) const { return slot(n).view; }
    const Slot& slot(int n) const { return tab(n).slot(); }
    Slot& slot(int n) { return tab(n).slot(); }
    // Tab n's controller: its document, jobs, expansions and finds (app/TabController.h).
    TabController& tab(int n) const { return *m_tabControllers[static_cast<std::size_t>(n - 1)]; }
    TreeView* currentTree() const { return tree(currentSlot()); }
    QTabWidget* tabs() const { return m_tabs; }
    QMenu* treeMenu() const { return m_treeMenu; }
    const std::string& programDir() const { return m_setup.programDir; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildForm();
    void buildOptionPanel();
    void buildFindBar();
    void buildSlots();
    void wireCommands();
    void onMainWindowCreated();
    void onFirstActivation();
    void onMainWindowClosing();
    // Writes the data file of every tab loaded during the run. When one cannot be written,
    // asks the user (retry, save elsewhere, close without it, or stay open), or after a
    // signal writes unsaved copies. False when the window is to stay open.
    bool saveSlotsAtClose();
    // A load that failed: said in the status line and, when the user acted (Open, drop,
    // a URL), in a message too.
    void reportLoadFailure(const QString& text, bool userActed);
    // "无法读取文件：path（why）".
    static QString fileNotReadText(const std::string& path);
    // Reads a tab's data file if it was not read yet this run (tabs are read when shown).
    void readSlotIfNeeded(int slot);
    void onLogoTimer();
    void applyAlwaysOnTop();
    void openTreeMenu(const QPoint& globalPos);
    void takeSelectedCaption();
    void pasteFindText();
    void openAddress(const QString& address);
    void loadTextIntoSlot(int slot, std::string text);
    void onFetchFinished(const std::shared_ptr<FetchOutcome>& outcome, unsigned generation);
    void stopFetch();
    void buildCommands();
    void addCommand(QMenu* menu, const QString& caption, const QKeySequence& key, const std::function<void()>& run);
    // Every load into a slot goes here: paste, fetch, file, activation, re-render, undo.
    // A large text is parsed on a worker thread (MainWindowLoad.cpp); the tab shows its
    // document until the new one is ready.
    void runLoad(int slot, LoadRequest request);
    // The tab's facts after its tree was filled.
    void finishLoad(int slot, LoadRequest& request, int64_t started, std::optional<UnclosedValue> unclosed);
    // Checks the text shown in slot for standard JSON on a worker; the status line says
    // where it is not.
    void startStrictCheck(int slot);
    void startParse(int slot, LoadRequest request, const LoadOptions& options);
    void onParsed(int slot, const std::shared_ptr<TabParse>& job);
    // Forgets the tab's running parse: its result is dropped when it comes.
    void dropParse(int slot);
    void showParseProgress();
    // What the tab's data file receives at close, and its selected item: those of the
    // text being parsed while a parse runs.
    SharedText closingText(int slot) const;
    int closingSelection(int slot) const;
    void flashBox(QWidget* box);
    // Work of the current tab off the window's thread (MainWindowTasks.cpp): the value
    // boxes' decoding of a large value (TabJob::Boxes), and the copies (TabJob::Copy). work
    // runs on a worker thread and returns what runs on the window's thread when it is
    // done, unless Esc or newer work of the same kind came first; label is the status line
    // meanwhile.
    void startWork(TabJob kind, const QString& label, std::function<std::function<void()>()> work);
    // Drops the work of that kind in every tab.
    void dropWork(TabJob kind);
    bool workRunning(TabJob kind) const;
    void buildTabControllers();
    // Comparing the current tab with another document (MainWindowCompare.cpp).
    void buildCompareCommands(QMenu* menu);
    void compareWithChosenTab();
    void compareWithFile();
    void compareWithPrevious();
    // other's text, or the file at otherPath read on the worker.
    void startComparison(SharedText other, const QString& against, int otherTab, std::string otherPath = {});
    void showComparison(int slot, std::shared_ptr<TabComparison> comparison);
    // Removes the marks and gives the tree back its expansion and selection.
    void leaveComparison(int slot);
    // A comparison whose documents are still those shown, or null (one that is not goes).
    TabComparison* currentComparison();
    void goToDifference(bool backward);
    void foldUnchanged(bool fold);
    // Long commands of the normal road (MainWindowTasks.cpp).
    void buildTaskKeys();
    void refreshTaskKey();
    // True when the rows an expansion would show are few, or the user wants them.
    bool askBeforeExpanding(int64_t rows);
    void restoreViewSettings();
    void saveViewSettings();
    int firstEmptySlot() const;
    void showQueryResult(int from, std::string results, const std::string& error, bool cut);
    void buildFetchCancel();
    void showFetchRunning(bool running);
    bool loadFileIntoSlot(int slot, const std::string& path, bool bigRoad);
    void buildBigTabs();
    void startBigLoad(int slot, FileSource source);
    void showBigSelection(bool alsoValue);
    // Find in a big tab (on a worker thread, the node found selected). False when the
    // current tab is not on the big road.
    bool findInBigTab(bool backward);
    // Expand all below the selected node (level 0) or the tree to a level, in a big tab;
    // false when the current tab is not one.
    bool expandBigTab(int level);
    // The path box's path, and copy path as, in a big tab; false when the tab is not one.
    bool goToBigPath();
    bool copyBigPathAs(int style);
    // A remembered big file at start: opened again, or the tab says why not.
    bool reopenRememberedBigFile(int slot);
    std::string bigFileKey(int slot) const;
    // The selected node of a big tab as the settings keep it (-1: none).
    int64_t bigSelection(int slot) const;
    // The options only the normal road has are disabled while a big tab is current.
    void applyRoadToOptions();

    ProgramObjects& m_objects;
    MainWindowSetup m_setup;
    TreeIcons* m_icons;
    bool m_firstActivationDone = false;
    bool m_closingDone = false;
    bool m_closePending = false;
    bool m_closeBySignal = false;
    int m_logoStep = 1;

    QFrame* m_optionPanel = nullptr;
    QCheckBox* m_decodeFirst = nullptr;
    QCheckBox* m_singleQuote = nullptr;
    QCheckBox* m_zeroBased = nullptr;
    QCheckBox* m_arrayAsNode = nullptr;
    QCheckBox* m_textIcons = nullptr;
    QCheckBox* m_onTop = nullptr;
    PressLabel* m_logo = nullptr;
    PressLabel* m_homePicture = nullptr;
    PressLabel* m_homeLink = nullptr;
    PressLabel* m_aboutPicture = nullptr;
    PressLabel* m_aboutLink = nullptr;
    QTimer* m_logoTimer = nullptr;

    PressButton* m_pasteTree = nullptr;
    QTabWidget* m_tabs = nullptr;
    std::array<TabController*, kSlots> m_tabControllers{};
    QLineEdit* m_pathBox = nullptr;
    ValueBox* m_valueBox = nullptr;
    ValueBox* m_decodedBox = nullptr;
    QMenu* m_treeMenu = nullptr;

    QFrame* m_findBar = nullptr;
    QLineEdit* m_findText = nullptr;
    QPushButton* m_findPaste = nullptr;
    PressButton* m_findNext = nullptr;
    QPushButton* m_findPrevious = nullptr;
    QPushButton* m_read = nullptr;
    QRadioButton* m_modePlain = nullptr;
    QRadioButton* m_modeWildcard = nullptr;
    QRadioButton* m_modeRegex = nullptr;
    QCheckBox* m_ignoreCase = nullptr;

    QCheckBox* m_formatted = nullptr;
    QLabel* m_status = nullptr;
    SplitHandle* m_splitHandle = nullptr;
    double m_splitShare = 560.0 / 1020.0; // the tree pane's share of the window's width
    PathBoxJumps m_pathJumps; // which reading of the typed path Enter takes next

    // URL fetch: one worker at a time; the flag stops it (close, destruction).
    std::thread m_fetchWorker;
    std::atomic<bool> m_fetchCancel{false};
    bool m_fetchRunning = false;
    unsigned m_fetchGeneration = 0; // a result of an earlier, stopped fetch is dropped
    int m_fetchSlot = 1;
    QAction* m_cancelFetchEntry = nullptr;

    // The tabs on the big-document road: their workers, find and expansion.
    BigTabs* m_bigTabs = nullptr;

    int64_t m_expandAskLimit = 1'000'000;
    int64_t m_expandRefuseLimit = 5'000'000;
    int64_t m_backgroundLoadBytes = int64_t(2) << 20;
    int m_findSlicedFrom = 1'000'000;
    std::size_t m_backgroundValueBytes = std::size_t(2) << 20;
    QTimer* m_parseTimer = nullptr;
    QShortcut* m_stopTaskKey = nullptr;
};

} // namespace tess
