#pragma once
// The "read JSON from a URL" command without its window: the clipboard test, the
// encoding chosen by the modifier keys, the paste button's captions, the message texts
// and the fetch itself. A GUI shows the texts and runs fetchJsonText on a worker thread
// (the fetch never touches GUI objects and never pumps messages); the command line calls
// it directly. All texts in and out are GB18030.
//
// GUI road (right-button press on the paste button):
//   if (!isUrlText(clip)) { messageBox(notUrlMessage(), infoCaption()); return; }
//   button.setText(fetchingCaption(clip));
//   worker: FetchOutcome r = fetchJsonText(clip, encodingForModifiers(mods), options);
//   button.setText(pasteButtonCaption());
//   Ok -> loadDocument(r.text); TooLarge -> messageBox(r.message, r.messageCaption);
//   Empty / Cancelled -> nothing.
#include "fetch/FetchEncoding.h"
#include "fetch/FetchOptions.h"

#include <string>
#include <string_view>

namespace tess {

struct FetchOutcome {
    FetchStatus status = FetchStatus::Empty;
    std::string text;           // the document text (non-empty only with Ok)
    std::string caption;        // the progress caption shown while fetching
    std::string message;        // message box text for NotUrl and TooLarge, else empty
    std::string messageCaption; // its caption ("信息："), empty when there is no message
};

// True when the first 4 bytes, ASCII letters lower-cased, are "http" (no trimming).
bool isUrlText(std::string_view clipboard);

// Modifier state of the click (1 Ctrl, 2 Shift, 4 Alt; sums for combinations) to the
// encoding: exactly 1 -> Utf8, exactly 4 -> Ansi, exactly 2 -> Raw, anything else -> Auto.
FetchEncoding encodingForModifiers(int modifiers);

// Shortens a text for a caption: unchanged when shorter than limit bytes, otherwise head,
// "..." and tail of at most (limit - 3) / 2 + 1 bytes each, cut at whole GBK characters
// (a CR LF pair counts as one character).
std::string shortenMiddle(std::string_view text, int limit);

std::string fetchingCaption(std::string_view clipboard); // "正在读取 " + shortened text
std::string pasteButtonCaption();                        // the button's normal caption
std::string notUrlMessage();
std::string tooLargeMessage();
std::string infoCaption();                               // "信息："

// Runs the whole command after the click: the URL test, then fetchUrlText with the
// encoding. Never throws; failures are in the status.
FetchOutcome fetchJsonText(std::string_view clipboard, FetchEncoding encoding,
                           const FetchOptions& options = {});

} // namespace tess
