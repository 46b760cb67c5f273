// The window's wiring of the big-document road (app/BigTabs.h does the work): which
// tab, which options, and the boxes that show what comes back.
#include "app/BigTabs.h"
#include "app/MainWindow.h"
#include "app/ProgramObjects.h"
#include "platform/Codec.h"
#include "platform/qt/Clipboard.h"
#include "platform/qt/QtText.h"
#include "tree/widgets/PathBoxes.h"
#include "tree/widgets/BigTreeModel.h"
#include "tree/widgets/TreeModel.h"
#include "tree/widgets/TreeView.h"
#include "tree/widgets/ValueBox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include <cmath>

namespace tess {

using qt::ui;

void MainWindow::buildBigTabs()
{
    BigTabsHost host;
    host.tab = [this](int n) -> TabController& { return tab(n); };
    host.currentSlot = [this] { return currentSlot(); };
    host.showStatus = [this](const QString& text) { showStatusMessage(text); };
    host.documentShown = [this](int n) {
        if (n == currentSlot()) {
            showSelectedPath(true);
            updateStatus();
        }
    };
    host.zeroBased = [this] { return m_zeroBased->isChecked(); };
    host.icons = m_icons;
    host.runningChanged = [this] { refreshTaskKey(); };
    m_bigTabs = new BigTabs(this, std::move(host));
}

bool MainWindow::bigLoadRunning() const
{
    return m_bigTabs->loadRunning();
}

bool MainWindow::bigFindRunning() const
{
    return m_bigTabs->findRunning();
}

void MainWindow::cancelBigLoad()
{
    m_bigTabs->cancel();
}

int64_t MainWindow::bigSelection(int n) const
{
    return m_bigTabs->selectedPosition(n);
}

std::string MainWindow::bigFileKey(int n) const
{
    std::string key = qt::toGb(tree(n)->objectName());
    key += codec::gb(u8".大文件");
    return key;
}

void MainWindow::startBigLoad(int n, FileSource source)
{
    // A text still parsing for the tab would replace the big file when it ends.
    dropParse(n);
    m_bigTabs->startLoad(n, std::move(source));
}

bool MainWindow::findInBigTab(bool backward)
{
    const int n = currentSlot();
    if (!slot(n).big)
        return false;
    BigFindRequest request;
    request.text = qt::toGb(m_findText->text());
    request.mode = m_modePlain->isChecked()      ? FindMode::Plain
                   : m_modeWildcard->isChecked() ? FindMode::Wildcard
                                                 : FindMode::Regex;
    request.ignoreCase = m_ignoreCase->isChecked();
    request.backward = backward;
    m_bigTabs->find(n, request);
    return true;
}

void MainWindow::showBigSelection(bool alsoValue)
{
    const BigSelection shown = m_bigTabs->selection(currentSlot(), !m_arrayAsNode->isChecked(), alsoValue);
    m_pathBox->setText(qt::toQString(shown.path));
    if (!alsoValue && shown.present)
        return;
    m_valueBox->setShowFormatted(m_formatted->isChecked() && shown.container);
    if (shown.wholeBytes != 0) {
        m_valueBox->setValuePart(std::string(shown.value), shown.wholeBytes);
        m_decodedBox->setValuePart(std::string(shown.decoded), shown.wholeBytes);
    } else {
        m_valueBox->setValueText(shown.value);
        m_decodedBox->setValueText(shown.decoded);
    }
}

bool MainWindow::expandBigTab(int level)
{
    const int n = currentSlot();
    if (!slot(n).big)
        return false;
    if (level > 0)
        m_bigTabs->expandToLevel(n, level);
    else
        m_bigTabs->expandBelow(n);
    return true;
}

bool MainWindow::bigExpandRunning() const
{
    return m_bigTabs->expandRunning();
}

bool MainWindow::goToBigPath()
{
    const int n = currentSlot();
    if (!slot(n).big)
        return false;
    const QModelIndex found = m_bigTabs->indexOfPath(n, boxText(m_pathBox));
    if (!found.isValid()) {
        flashBox(m_pathBox);
        showStatusMessage(ui(u8"路径没有对应的节点：%1").arg(m_pathBox->text()));
        return true;
    }
    TreeView& view = *tree(n);
    view.selectionModel()->setCurrentIndex(found, QItemSelectionModel::ClearAndSelect);
    view.showWithContext(found);
    // The same node typed in another form: the selection did not change, the boxes must.
    showSelectedPath(true);
    updateStatus();
    return true;
}

bool MainWindow::copyBigPathAs(int style)
{
    const int n = currentSlot();
    if (!slot(n).big)
        return false;
    const std::optional<std::string> path = m_bigTabs->pathOf(n, static_cast<PathStyle>(style), !m_arrayAsNode->isChecked());
    if (!path) {
        showStatusMessage(ui(u8"这个树页没有文档"));
        return true;
    }
    qt::setClipboardText(*path);
    if (path->starts_with("jq "))
        showStatusMessage(ui(u8"已复制 jq 命令：JSON Lines 按行读取，文件名加在命令后"));
    return true;
}

bool MainWindow::reopenRememberedBigFile(int n)
{
    SettingsStore& store = m_objects.settings;
    store.setSection(codec::gb(u8"JSON树"));
    const std::string stored = store.readText(bigFileKey(n), "");
    FileSource source;
    if (stored.empty() || !decodeBigSource(stored, source))
        return false;
    // The selected node: its place in tree order (see BigTabs::selectedPosition), stored
    // where the normal road stores its item number.
    std::string key = qt::toGb(tree(n)->objectName());
    key += codec::gb(u8".现行选中项");
    const double at = store.readNumber(key, -1);
    const int64_t selectAt = std::isfinite(at) && at >= 0 && at < 9e15 ? static_cast<int64_t>(at) : -1;
    const QString notice = m_bigTabs->reopen(n, std::move(source), selectAt);
    if (!notice.isEmpty()) {
        // The tab stays unloaded, so its remembered file and data file are kept as they are.
        // The status line keeps saying it while the tab is shown (updateStatus).
        tab(n).notice = notice + ui(u8"（按 Ctrl+O 或拖入文件再打开它）");
        tree(n)->treeModel().addTopLevelItem(qt::toGb(notice));
        if (n == currentSlot())
            showStatusMessage(tab(n).notice);
    }
    return true;
}

void MainWindow::applyRoadToOptions()
{
    // The tolerant engine's options do not apply to a file on the big road (a pasted text
    // of JSON Lines goes to the engine when one is turned on).
    const bool big = slot(currentSlot()).holdsBigFile();
    m_decodeFirst->setEnabled(!big);
    m_singleQuote->setEnabled(!big);
}

} // namespace tess
