#include "tree/widgets/TreeLoader.h"

#include "json/JsonDocument.h"
#include "json/TreeContentBuilder.h"
#include "platform/Codec.h"
#include "platform/qt/Clipboard.h"
#include "platform/qt/GuiPump.h"
#include "json/Decoders.h"
#include "tree/Stopwatch.h"
#include "tree/widgets/TreeModel.h"
#include "tree/widgets/TreeView.h"

#include <QScrollBar>

namespace tess {
namespace {

int g_running = 0;

struct RunningGuard {
    RunningGuard() { ++g_running; }
    ~RunningGuard() { --g_running; }
};

} // namespace

bool loadRunning()
{
    return g_running > 0;
}

SharedText parseText(SharedText text, JsonDocument& document, const LoadOptions& options)
{
    if (options.decodeFirst) {
        // A text kept as a RootText is made for the decoders and let go again.
        document.parseTaking(
            text.withWhole([](std::string_view t) { return decodeHtmlEntities(decodeUnicodeEscapes(t)); }),
            options.zeroBasedArrays, options.singleQuoteFormat);
    } else if (options.singleQuoteFormat) {
        document.parseTaking(text.copy(), options.zeroBasedArrays, true);
    } else if (text.described()) {
        document.parseDescribed(text.described(), options.zeroBasedArrays);
    } else {
        document.parseSharing(text.shared(), options.zeroBasedArrays);
        // When the document keeps the text as its prepared copy plus the differences,
        // the slot shares that too, and the text as it came is let go.
        if (document.rootText())
            return SharedText(document.rootText());
    }
    return text;
}

void fillTreeModel(TreeModel& model, const JsonDocument& document)
{
    // The block goes to the model piece by piece: it never exists whole in the window.
    // The pieces are written on one thread: a helper thread started for each of the
    // hundred-odd pieces of a large document waits for a core every time on a busy
    // machine, which made the load slower, not faster.
    model.beginItems(static_cast<std::size_t>(document.nodes().nodeCount()));
    forEachTreeContentPiece(document.nodes(), 1, [&model](std::string_view piece) { model.addRecords(piece); });
    model.endItems();
}

void showLoadedTree(TreeView& view, Stopwatch& stopwatch, int selection, bool restoreSelection)
{
    const std::string elapsed = stopwatch.elapsedText("", false);
    std::string caption(codec::gb(u8"Korvell·JSON（载入耗时 "));
    caption += elapsed;
    caption += codec::gb(u8"）");
    view.treeModel().setItemCaption(0, caption);
    if (restoreSelection)
        view.selectItem(selection);
    view.expandItem(0);
}

void loadDocument(SharedText text, bool keepText, TreeView& view, JsonDocument& document,
                  Stopwatch& stopwatch, const LoadOptions& options, int selection, bool restoreSelection)
{
    RunningGuard guard;
    stopwatch.start();
    TreeModel& model = view.treeModel();
    model.clear();
    model.addTopLevelItem(codec::gb(u8"Korvell·JSON（正在解析...）"));
    // Let the notice be drawn before the engine starts working.
    view.viewport()->update();
    qt::pumpNow();

    if (!keepText)
        text = qt::clipboardText();
    view.sourceText = text;
    view.loaded = true;
    view.sourceText = parseText(std::move(text), document, options);
    fillTreeModel(model, document);
    showLoadedTree(view, stopwatch, selection, restoreSelection);
}

} // namespace tess
