// The commands beyond the form's own: tree menu entries with their keys, Enter in the
// find and path boxes, expanding and collapsing, JSON inside a string, undo of a load,
// opening and saving files, the status line and the window's remembered layout.
#include "app/MainWindow.h"
#include "app/TabCompare.h"

#include "app/EnterKey.h"
#include "app/InformationBox.h"
#include "app/ProgramObjects.h"
#include "app/SlotFiles.h"
#include "fetch/UrlCommand.h"
#include "json/PathSyntax.h"
#include "json/ValueFormatter.h"
#include "platform/qt/Clipboard.h"
#include "platform/Codec.h"
#include "platform/qt/QtText.h"
#include "tree/EmbeddedJson.h"
#include "tree/StatusText.h"
#include "json/StrictWriter.h"
#include "app/RecordTableCommand.h"
#include "app/SaveFile.h"
#include "app/BigTabs.h"
#include "tree/widgets/BigCollapse.h"
#include "tree/widgets/BigTreeModel.h"
#include "tree/widgets/PathBoxes.h"
#include "tree/widgets/TreeModel.h"
#include "tree/widgets/TreeView.h"
#include "tree/widgets/ValueBox.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTabWidget>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace tess {
namespace {

using qt::ui;

// The section of the preferences the form does not have; the form's own section
// ("JSON树") is left exactly as the form writes it.
constexpr const char8_t* kViewSection = u8"视图";

} // namespace

void MainWindow::addCommand(QMenu* menu, const QString& caption, const QKeySequence& key,
                            const std::function<void()>& run)
{
    auto* action = new QAction(caption, this);
    action->setShortcut(key);
    action->setShortcutVisibleInContextMenu(true);
    connect(action, &QAction::triggered, this, run);
    addAction(action); // the key works wherever the focus is in the window
    menu->addAction(action);
}

void MainWindow::buildCommands()
{
    // The form's three copy commands get keys too.
    const QList<QAction*> copies = m_treeMenu->actions();
    const QKeySequence copyKeys[] = {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_C),
                                     QKeySequence(Qt::CTRL | Qt::Key_D)};
    for (qsizetype i = 0; i < copies.size() && i < 3; ++i) {
        copies[i]->setShortcut(copyKeys[i]);
        copies[i]->setShortcutVisibleInContextMenu(true);
        addAction(copies[i]);
    }

    QMenu* menu = m_treeMenu;
    menu->addSeparator();
    QMenu* pathAs = menu->addMenu(ui(u8"复制路径为"));
    const struct {
        const char* caption;
        PathStyle style;
        QKeySequence key;
    } styles[] = {
        {"jq", PathStyle::Jq, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Q)},
        {"JSONPath", PathStyle::JsonPath, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)},
        {"JavaScript", PathStyle::JavaScript, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_J)},
        {"Python", PathStyle::Python, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Y)},
    };
    for (const auto& s : styles) {
        const int style = static_cast<int>(s.style);
        addCommand(pathAs, QString::fromLatin1(s.caption), s.key, [this, style] { copyPathAs(style); });
    }
    addCommand(menu, ui(u8"复制格式化的路径数据"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_X),
               [this] { copyFormattedValue(); });
    auto* toggle = new QAction(ui(u8"格式化显示路径数据"), this);
    toggle->setCheckable(true);
    toggle->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    toggle->setShortcutVisibleInContextMenu(true);
    addAction(toggle);
    menu->addAction(toggle);
    connect(toggle, &QAction::triggered, this, [this](bool on) { setShowFormatted(on); });
    connect(m_formatted, &QCheckBox::toggled, toggle, &QAction::setChecked);
    connect(m_formatted, &QCheckBox::clicked, this, [this](bool on) { setShowFormatted(on); });
    menu->addSeparator();
    addCommand(menu, ui(u8"转到路径框中的路径"), QKeySequence(Qt::CTRL | Qt::Key_G), [this] { goToTypedPath(); });
    menu->addSeparator();
    addCommand(menu, ui(u8"展开全部下级"), QKeySequence(Qt::CTRL | Qt::Key_E), [this] { expandBelowSelected(); });
    addCommand(menu, ui(u8"折叠全部下级"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E),
               [this] { collapseBelowSelected(); });
    QMenu* levels = menu->addMenu(ui(u8"整棵树展开到"));
    for (int level = 1; level <= 4; ++level) {
        addCommand(levels, ui(u8"第 %1 层").arg(level), QKeySequence(Qt::CTRL | (Qt::Key_0 + level)),
                   [this, level] { expandTreeToLevel(level); });
    }
    menu->addSeparator();
    addCommand(menu, ui(u8"以树打开字符串中的JSON"), QKeySequence(Qt::CTRL | Qt::Key_T), [this] { openEmbeddedJson(); });
    addCommand(menu, ui(u8"以表格查看对象数组"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T), [this] { openRecordTable(*this); });
    addCommand(menu, ui(u8"jq 查询..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R), [this] { openQueryField(); });
    addCommand(menu, ui(u8"撤销载入"), QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { undoLoad(); });
    menu->addSeparator();
    buildCompareCommands(menu);
    menu->addSeparator();
    addCommand(menu, ui(u8"打开文件..."), QKeySequence(Qt::CTRL | Qt::Key_O), [this] { openFileDialog(); });
    addCommand(menu, ui(u8"保存到文件 (UTF-8)..."), QKeySequence(Qt::CTRL | Qt::Key_S),
               [this] { saveFileDialog(SaveEncoding::Utf8); });
    addCommand(menu, ui(u8"保存到文件 (GB18030)..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
               [this] { saveFileDialog(SaveEncoding::Gb18030); });
    addCommand(menu, ui(u8"另存为标准JSON..."), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S),
               [this] { saveFileDialog(SaveEncoding::StandardJson); });

    // Enter in the find box finds the next match, Shift+Enter the previous one.
    onEnterKey(m_findText, [this](bool backward) { findInTree(backward); });
    connect(m_pathBox, &QLineEdit::returnPressed, this, &MainWindow::goToTypedPath);
}

void MainWindow::goToTypedPath()
{
    if (goToBigPath())
        return;
    const int n = currentSlot();
    TreeView& view = *tree(n);
    const JsonDocument& document = *slot(n).document;
    // The tree's two forms and the syntaxes of "复制路径为".
    const PathBoxJumps::Jump jump = m_pathJumps.next(document, boxText(m_pathBox), !m_arrayAsNode->isChecked(),
                                                     view.selectedItem() + 1);
    if (jump.node < 1 || jump.node > view.itemCount()) {
        flashBox(m_pathBox);
        showStatusMessage(jump.node < 1 ? jump.message : ui(u8"路径没有对应的节点：%1").arg(m_pathBox->text()));
        return;
    }
    view.selectItem(jump.node - 1);
    // The same node typed in another form: the selection did not change, the boxes must.
    showSelectedPath(true);
    updateStatus();
    m_pathJumps.jumped(boxText(m_pathBox));
    if (!jump.message.isEmpty())
        showStatusMessage(jump.message);
}

void MainWindow::copyPathAs(int style)
{
    if (copyBigPathAs(style))
        return;
    const int n = currentSlot();
    const int item = tree(n)->selectedItem();
    const JsonDocument& document = *slot(n).document;
    // Nothing selected: the root's path, as the path box shows it then.
    const int node = item >= 0 ? item + 1 : (document.nodes().nodeCount() > 0 ? 1 : 0);
    if (node < 1) {
        showStatusMessage(ui(u8"这个树页没有文档"));
        return;
    }
    qt::setClipboardText(pathInStyle(document, node, static_cast<PathStyle>(style)));
}

void MainWindow::copyFormattedValue()
{
    if (m_bigTabs->copyWhole(currentSlot(), BigCopy::Formatted))
        return;
    std::string value = boxText(m_valueBox);
    if (value.size() < m_backgroundValueBytes) {
        qt::setClipboardText(formatValue(value));
        return;
    }
    // The clipboard's text is made on the worker too: for a large value that takes as long
    // as the laying out.
    startWork(TabJob::Copy, ui(u8"正在格式化…（Esc 停止）"), [value = std::move(value)]() mutable {
        std::string formatted = formatValue(value);
        value = std::string();
        auto text = std::make_shared<QString>(qt::toQString(formatted));
        formatted = std::string();
        return std::function<void()>([text] { QGuiApplication::clipboard()->setText(*text); });
    });
}

void MainWindow::setShowFormatted(bool on)
{
    if (m_formatted->isChecked() != on)
        m_formatted->setChecked(on);
    showSelectedPath(true);
}

void MainWindow::flashBox(QWidget* box)
{
    box->setStyleSheet(QStringLiteral("background-color: #ffc8c8;"));
    QTimer::singleShot(600, box, [box] { box->setStyleSheet(QString()); });
}

void MainWindow::expandBelowSelected()
{
    TreeView& view = *currentTree();
    if (expandBigTab(0))
        return;
    const int item = std::max(0, view.selectedItem());
    const int n = currentSlot();
    const uint64_t shown = slot(n).shown;
    // A parse or fetch that ends while the question is open changes the tree below it.
    if (!askBeforeExpanding(view.rowsBelow(item)))
        return;
    if (slot(n).shown != shown || slot(n).big)
        showStatusMessage(ui(u8"树页的文档已更换，未展开"));
    else
        view.expandBelow(item);
}

void MainWindow::collapseBelowSelected()
{
    TreeView& view = *currentTree();
    if (BigTreeModel* model = slot(currentSlot()).big) {
        const QModelIndex at = view.selectedIndex();
        BigCollapse::collapseBelow(view, *model, at.isValid() ? at : model->index(0, 0));
        return;
    }
    view.collapseBelow(std::max(0, view.selectedItem()));
}

void MainWindow::expandTreeToLevel(int level)
{
    TreeView& view = *currentTree();
    if (expandBigTab(level))
        return;
    // The selected item is scrolled to when the expansion is done (MainWindowTasks.cpp).
    const int n = currentSlot();
    const uint64_t shown = slot(n).shown;
    if (!askBeforeExpanding(view.rowsAtLevel(level)))
        return;
    if (slot(n).shown != shown || slot(n).big)
        showStatusMessage(ui(u8"树页的文档已更换，未展开"));
    else
        view.expandToLevel(level);
}

int MainWindow::firstEmptySlot() const
{
    for (int n = 1; n <= kSlots; ++n) {
        const TreeView& view = *tree(n);
        // A big file holds no text; a tab whose big file is being read, or whose text is
        // being parsed, is taken.
        if (slot(n).big || m_bigTabs->loading(n) || parseRunning(n))
            continue;
        if (view.loaded) {
            if (view.sourceText.empty() && view.itemCount() == 0)
                return n;
            continue;
        }
        // Not shown yet this run: empty when its data file is.
        if (slotFileEmpty(m_setup.programDir, n) && m_objects.settings.readItem(codec::gb(u8"JSON树"), bigFileKey(n), "", true).empty())
            return n;
    }
    return -1;
}

void MainWindow::openEmbeddedJson()
{
    const int n = currentSlot();
    TreeView& view = *tree(n);
    const int item = view.selectedItem();
    JsonDocument& document = *slot(n).document;
    std::string text;
    if (item > 0 && view.treeModel().itemImage(item) == 0)
        text = embeddedJson(valueOfNode(document, item + 1));
    if (text.empty()) {
        showStatusMessage(ui(u8"所选的值不是含有 JSON 对象或数组的字符串"));
        return;
    }
    int target = firstEmptySlot();
    if (target < 0) {
        target = n % kSlots + 1;
        const QString question = ui(u8"没有空的树页。要用这段 JSON 替换“%1”中的文档吗？\n（替换后可用 Ctrl+Z 撤销）")
                                     .arg(m_tabs->tabText(target - 1).trimmed());
        if (QMessageBox::question(this, ui(u8"以树打开"), question, QMessageBox::Yes | QMessageBox::No,
                                  QMessageBox::No) != QMessageBox::Yes)
            return;
    }
    // Showing the page first reads its data file, so undo there returns to that document.
    m_tabs->setCurrentIndex(target - 1);
    loadTextIntoSlot(target, std::move(text));
}

void MainWindow::undoLoad()
{
    const int n = currentSlot();
    TreeView& view = *tree(n);
    Slot& tab = slot(n);
    SlotDocument document{view.sourceText, view.selectedItem(), tab.bytes, tab.source, tab.holdsBigFile()};
    if (!tab.swapWithPrevious(document)) {
        showStatusMessage(ui(u8"这个树页没有可撤销的载入"));
        return;
    }
    if (document.big) {
        // A big file is read again by name; the tab keeps what it shows until then.
        startBigLoad(n, std::get<FileSource>(document.source));
        return;
    }
    m_bigTabs->drop(n);
    if (document.text.empty()) {
        // The slot was empty before: it is empty again (its data file too, at close).
        std::string none;
        tab.document->parse(none, false, false);
        tab.source = std::move(document.source);
        tab.unclosed.reset();
        view.treeModel().clear();
        view.sourceText = SharedText();
        view.loaded = true;
        ++tab.shown;
        showSelectedPath(true);
        updateStatus();
        return;
    }
    LoadRequest request;
    request.text = std::move(document.text);
    request.selection = document.selection;
    request.restoreSelection = true;
    request.remember = false;
    request.bytes = document.bytes;
    request.source = std::move(document.source);
    runLoad(n, std::move(request));
}

void MainWindow::openFileDialog()
{
    QFileDialog dialog(this, ui(u8"打开 JSON 文件"));
    dialog.setObjectName(QStringLiteral("openFileDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({ui(u8"JSON 和文本文件 (*.json *.jsonl *.ndjson *.geojson *.txt *.log)"),
                           ui(u8"所有文件 (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().first();
    if (!loadFileIntoCurrentSlot(path.toStdString()))
        reportLoadFailure(fileNotReadText(path.toStdString()), true);
}

void MainWindow::reportLoadFailure(const QString& text, bool userActed)
{
    showStatusMessage(text);
    if (userActed)
        showInformationBox(qt::toGb(text), infoCaption());
}

QString MainWindow::fileNotReadText(const std::string& path)
{
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    const char8_t* why = !std::filesystem::exists(status)        ? u8"文件不存在"
                         : std::filesystem::is_directory(status) ? u8"这是一个文件夹"
                                                                 : u8"没有读取权限或读取出错";
    return ui(u8"无法读取文件：%1（%2）").arg(QString::fromStdString(path), ui(why));
}

void MainWindow::saveFileDialog(SaveEncoding encoding)
{
    QFileDialog dialog(this, encoding == SaveEncoding::Utf8      ? ui(u8"保存为 UTF-8 文件")
                             : encoding == SaveEncoding::Gb18030 ? ui(u8"保存为 GB18030 文件")
                                                                 : ui(u8"另存为标准JSON"));
    dialog.setObjectName(QStringLiteral("saveFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("json"));
    dialog.setNameFilters({ui(u8"JSON 文件 (*.json)"), ui(u8"所有文件 (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().first();
    if (!saveCurrentSlot(path.toStdString(), encoding))
        showStatusMessage(ui(u8"无法写入文件：%1").arg(path));
}

bool MainWindow::saveCurrentSlot(const std::string& path, SaveEncoding encoding)
{
    if (encoding == SaveEncoding::StandardJson) {
        // Written from the tree the tab shows: names and strings double-quoted, trailing
        // commas gone. A big file is read as standard JSON already.
        const Slot& tab = slot(currentSlot());
        if (tab.big) {
            showStatusMessage(ui(u8"大文件按标准JSON读取，无需另存"));
            return false;
        }
        const JsonNodeList& nodes = tab.document->nodes();
        if (nodes.nodeCount() == 0 || saveFileAtomically(path, [&nodes](const ByteSink& sink) {
                bool ok = true;
                writeStrictJson(nodes, 1, [&](std::string_view piece) { ok = ok && sink(piece); });
                return ok;
            }) != SaveOutcome::Written)
            return false;
        showStatusMessage(ui(u8"已另存为标准JSON：%1").arg(QString::fromStdString(path)));
        return true;
    }
    std::size_t bad = 0;
    if (!saveTextFile(path, currentTree()->sourceText, encoding, &bad))
        return false;
    QString message = ui(u8"已保存到 %1（%2）").arg(QString::fromStdString(path),
                                                   encoding == SaveEncoding::Utf8 ? QStringLiteral("UTF-8")
                                                                                  : QStringLiteral("GB18030"));
    if (bad > 0)
        message += ui(u8"；%1 个字节不是 GB18030 文字，已写成替换字符").arg(bad);
    showStatusMessage(message);
    return true;
}

void MainWindow::updateStatus()
{
    const int n = currentSlot();
    applyRoadToOptions();
    if (slot(n).big && m_bigTabs->checkFile(n)) {
        m_status->setText(qt::toQString(m_bigTabs->statusText(n)));
        return;
    }
    if (!tab(n).notice.isEmpty() && !slot(n).big && tree(n)->sourceText.empty()) {
        m_status->setText(tab(n).notice);
        return;
    }
    const TreeView& view = *tree(n);
    const TreeModel& model = view.treeModel();
    DocumentFacts doc;
    // While a load runs the tree holds only its notice item.
    if (view.itemCount() > 0 && !view.sourceText.empty()) {
        doc.nodes = model.itemCount();
        const Slot& tab = slot(n);
        doc.depth = tab.depth;
        doc.bytes = tab.bytes;
        doc.loadMs = tab.loadMs;
        doc.nestingCut = tab.document && tab.document->nestingCut();
        if (tab.unclosed) {
            doc.unclosedLine = tab.unclosed->line;
            doc.unclosedByte = tab.unclosed->offset + 1;
            doc.unclosedObject = tab.unclosed->kind == NodeKind::Object;
        }
        if (tab.strictError) {
            doc.strictLine = static_cast<int64_t>(tab.strictError->line);
            doc.strictColumn = static_cast<int64_t>(tab.strictError->column);
            doc.strictReason = tab.strictError->message;
        }
    }
    NodeFacts node;
    const int item = view.selectedItem();
    if (doc.nodes > 0 && item >= 0) {
        node.kind = model.itemImage(item);
        node.children = model.itemChildCount(item);
        const QModelIndex idx = model.indexOfItem(item);
        node.position = idx.row() + 1;
        node.siblings = model.rowCount(idx.parent());
    }
    QString text = qt::toQString(tess::statusText(doc, node));
    if (const TabComparison* c = currentComparison())
        text += ui(u8"　") + comparisonStatus(*c, item);
    m_status->setText(text);
}

void MainWindow::showStatusMessage(const QString& text)
{
    m_status->setText(text);
}

QString MainWindow::statusText() const
{
    return m_status->text();
}

void MainWindow::restoreViewSettings()
{
    const SettingsStore& store = m_objects.settings;
    const std::string split =
        store.readItem(codec::gb(kViewSection), codec::gb(u8"分隔比例"), std::string_view(), true);
    if (!split.empty()) {
        char* end = nullptr;
        const double share = std::strtod(split.c_str(), &end);
        if (end != split.c_str() && std::isfinite(share) && share > 0 && share < 1) {
            m_splitShare = share;
            layoutMainWindow();
        }
    }
    const std::string formatted =
        store.readItem(codec::gb(kViewSection), codec::gb(u8"格式化显示"), std::string_view(), true);
    if (!formatted.empty())
        setShowFormatted(formatted == codec::gb(u8"真"));
}

void MainWindow::saveViewSettings()
{
    SettingsStore& store = m_objects.settings;
    char share[32];
    std::snprintf(share, sizeof share, "%.4f", m_splitShare);
    store.writeItem(codec::gb(kViewSection), codec::gb(u8"分隔比例"), share, false);
    store.writeItem(codec::gb(kViewSection), codec::gb(u8"格式化显示"),
                    codec::gb(m_formatted->isChecked() ? u8"真" : u8"假"), false);
}

} // namespace tess
