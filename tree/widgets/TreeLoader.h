#pragma once
// The one road from a text to a slot's tree: parse notice, optional decoding, parse,
// the tree in one block, the load-time caption, selection restore, root expanded. A large
// text takes the same road in two steps: parseText on a worker thread into a document
// the window does not read meanwhile, and fillTreeModel there too,
// then showLoadedTree on the window's thread.
#include "tree/SharedText.h"

#include <string>

namespace tess {

class JsonDocument;
class Stopwatch;
class TreeModel;
class TreeView;

struct LoadOptions {
    bool decodeFirst = false;      // decode \u escapes and HTML entities before parsing
    bool zeroBasedArrays = false;  // number array elements from 0
    bool singleQuoteFormat = false;
};

// Loads text (or, with keepText false, the clipboard text) into the view from the
// document. The view's sourceText receives the text as it arrived, before decoding; the
// document shares those bytes when neither decoding nor single quotes change them.
void loadDocument(SharedText text, bool keepText, TreeView& view, JsonDocument& document,
                  Stopwatch& stopwatch, const LoadOptions& options, int selection, bool restoreSelection);

// The parse step alone: text (decoded first, or read with single quotes, as the options
// say) into document. Touches no window object, so it may run on any thread. Returns
// the text the view keeps as its source text: text itself, or the prepared copy plus
// differences the document keeps instead (see loadDocument).
SharedText parseText(SharedText text, JsonDocument& document, const LoadOptions& options);

// The tree of the parsed document into model; on a worker thread only for a model that
// no view shows (TreeModel::takeItems hands its items to the view's model).
void fillTreeModel(TreeModel& model, const JsonDocument& document);

// The window's step once the view's model holds the new items: the load-time caption
// (the stopwatch was started when the load began), the selection restored, the root
// expanded.
void showLoadedTree(TreeView& view, Stopwatch& stopwatch, int selection, bool restoreSelection);

// True while a loadDocument call is running (its engine loops pump window messages).
bool loadRunning();

} // namespace tess
