#pragma once
// The one road from a text to a slot's tree: parse notice, optional decoding, parse,
// the tree in one block, the load-time caption, selection restore, root expanded.
#include "tree/SharedText.h"

#include <string>

namespace tess {

class JsonDocument;
class Stopwatch;
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

// True while a loadDocument call is running (its engine loops pump window messages).
bool loadRunning();

} // namespace tess
