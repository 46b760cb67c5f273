#pragma once
// One tab: its tree view and document, where its text came from, what the status line
// says of it, and the document undo brings back. A LoadRequest says what a load into a
// tab takes.
#include "app/SlotFiles.h"
#include "json/UnclosedText.h"
#include "json/big/StrictCheck.h"
#include "tree/SharedText.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace tess {

class BigTreeModel;
class JsonDocument;
class TreeView;

// Where a tab's text came from: text pasted, fetched, typed or brought back by undo...
struct TextSource {};
// ...or a file.
struct FileSource {
    std::string path;
    int64_t size = 0;
    int64_t modified = 0; // seconds since the epoch
};
using SlotSource = std::variant<TextSource, FileSource>;

// A tab's document as undo keeps it.
struct SlotDocument {
    SharedText text;    // the tab's source text, before any decoding (shared, not copied)
    int selection = -1; // selected item index
    int64_t bytes = -1; // the size the status line gave it
    SlotSource source;
    bool big = false;   // a file on the big-document road: read again from source, no text kept
};

struct Slot {
    TreeView* view = nullptr;
    JsonDocument* document = nullptr; // the program-wide document of this tab, or ownDocument
    // The document a load on a worker thread made: the tab's from then on.
    std::shared_ptr<JsonDocument> ownDocument;
    SlotSource source;
    int64_t loadMs = -1; // how long the last load took; -1: not loaded this run
    int64_t depth = 0;   // deepest level of the tree
    int64_t bytes = 0;   // the size the user knows (the file's, or the UTF-8 size)
    // Where a cut-off text stops being shown: line, and offset in the UTF-8 text.
    std::optional<UnclosedValue> unclosed;
    // The first error of a text that is not standard JSON, once the check (run off the
    // window's thread after each load on the normal road) found one.
    std::optional<big::StrictError> strictError;
    // A file on the big-document road: the model its view shows (owned by the view) over
    // the mapped file; null for a tab on the normal road.
    BigTreeModel* big = nullptr;
    // Counts the documents the tab has shown: work that waited (a question) checks that
    // the document it was asked about is still the one shown.
    uint64_t shown = 0;
    // A big file, read from its file and remembered by name (a pasted JSON Lines text
    // shown on that road keeps its text as any pasted text does).
    bool holdsBigFile() const { return big && std::holds_alternative<FileSource>(source); }

    // Undo of a load: the document shown before the last paste, fetch or file load, kept
    // until the program closes. Undoing swaps it with the current one, so a second undo
    // returns to the later document.
    void remember(SlotDocument before) { m_previous = std::move(before); }
    bool canUndo() const { return m_previous.has_value(); }
    const SlotDocument* previous() const { return m_previous ? &*m_previous : nullptr; }
    // The kept document, replaced by current; false (and nothing changes) when none is kept.
    bool swapWithPrevious(SlotDocument& current)
    {
        if (!m_previous)
            return false;
        std::swap(*m_previous, current);
        return true;
    }

private:
    std::optional<SlotDocument> m_previous;
};

// What a load into a tab takes.
struct LoadRequest {
    SharedText text;            // the text, unless fromClipboard
    bool fromClipboard = false; // a paste: the clipboard's text is read by the load
    int selection = 0;          // the item to select afterwards, with restoreSelection
    bool restoreSelection = false;
    bool remember = true;       // keep the tab's previous document for undo
    int64_t bytes = -1;         // the size the user knows; -1: the text's UTF-8 size
    SlotSource source;
};

} // namespace tess
