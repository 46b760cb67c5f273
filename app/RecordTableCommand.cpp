#include "app/RecordTableCommand.h"

#include "app/MainWindow.h"
#include "app/RecordTableWindow.h"
#include "json/JsonDocument.h"
#include "json/StrictWriter.h"
#include "platform/qt/QtText.h"
#include "tree/widgets/BigTreeModel.h"
#include "tree/widgets/RecordTableModel.h"
#include "tree/widgets/TreeModel.h"
#include "tree/widgets/TreeView.h"

namespace tess {
namespace {

using qt::ui;

// On the big road the columns come from the first records read, so that a table of
// millions opens at once; the engine's road reads them all.
constexpr uint64_t kBigColumnRows = 1000;

// A selected value of the engine's table as standard JSON, with the big road's document
// over it (the bytes live as long as the document).
struct StrictCopy {
    std::string bytes;
    big::BigDocument document;
};

bool holdsRecords(const big::BigDocument& document, const big::Node& array)
{
    if (array.kind == big::Kind::Lines)
        return true;
    big::Node first;
    return array.kind == big::Kind::Array && document.child(array, 0, first) && first.kind == big::Kind::Object;
}

} // namespace

RecordTableWindow* openRecordTable(MainWindow& window)
{
    const int n = window.currentSlot();
    Slot& tab = window.slot(n);
    TreeView& view = *tab.view;
    std::shared_ptr<const big::BigDocument> document;
    big::Node array;
    std::vector<big::Node> chain; // big road: root ... array
    int arrayItem = -1;           // engine road: the array's item
    int firstNumber = 1;
    if (tab.big) {
        document = tab.big->sharedDocument();
        const QModelIndex selected = view.selectedIndex();
        chain = selected.isValid() ? tab.big->chainOf(selected) : std::vector<big::Node>{};
        if (chain.empty()) {
            big::Node root;
            if (document->root(root))
                chain.push_back(root);
        }
        if (!chain.empty())
            array = chain.back();
        firstNumber = tab.big->zeroBased() ? 0 : 1;
    } else {
        const JsonNodeList& nodes = tab.document->nodes();
        if (nodes.nodeCount() == 0) {
            window.showStatusMessage(ui(u8"这个树页没有文档"));
            return nullptr;
        }
        arrayItem = std::max(view.selectedItem(), 0);
        auto copy = std::make_shared<StrictCopy>();
        copy->bytes = strictJson(nodes, arrayItem + 1);
        copy->document.openBytes(copy->bytes, {});
        copy->document.root(array);
        document = std::shared_ptr<const big::BigDocument>(copy, &copy->document);
        firstNumber = tab.document->zeroBasedArrays() ? 0 : 1;
    }
    if (!document || !holdsRecords(*document, array)) {
        window.showStatusMessage(ui(u8"选中的节点不是对象的数组，无法以表格查看"));
        return nullptr;
    }
    auto* table = new RecordTableWindow(document, array, tab.big ? kBigColumnRows : 0,
                                        ui(u8"表格 - 树页 %1").arg(n), &window);
    table->model().setFirstNumber(firstNumber);
    // A row click selects its element in the tree, while the tab still shows this document.
    const uint64_t shown = tab.shown;
    table->chosen = [&window, n, shown, chain, arrayItem, array](uint64_t element) {
        Slot& now = window.slot(n);
        if (now.shown != shown) {
            window.showStatusMessage(ui(u8"树页 %1 已载入别的文档").arg(n));
            return;
        }
        TreeView& tree = *now.view;
        if (now.big) {
            big::Node child;
            if (!now.big->document().child(array, element, child))
                return;
            std::vector<big::Node> path = chain;
            path.push_back(child);
            const QModelIndex found = now.big->indexOfChain(path);
            if (!found.isValid())
                return;
            tree.selectionModel()->setCurrentIndex(found, QItemSelectionModel::ClearAndSelect);
            tree.showWithContext(found);
            return;
        }
        const TreeModel& model = tree.treeModel();
        const QModelIndex child = model.index(static_cast<int>(element), 0, model.indexOfItem(arrayItem));
        if (child.isValid())
            tree.selectItem(model.itemOfIndex(child));
    };
    table->show();
    return table;
}

} // namespace tess
