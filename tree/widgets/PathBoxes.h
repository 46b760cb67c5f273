#pragma once
// The path box and the two value boxes: the selected node's path (canonical or compact
// form), its value text from that path, and the value with escapes and entities decoded.
#include <string>

class QLineEdit;

namespace tess {

class JsonDocument;
class JsonScanner;
class TreeView;
class ValueBox;

struct PathBoxes {
    QLineEdit* path = nullptr;
    ValueBox* value = nullptr;
    ValueBox* decoded = nullptr;
};

// canonical: paths are shown with array indexes as segments of their own (a.[0].b);
// otherwise in compact form (a[0].b). With no item selected all three boxes are empty.
void showSelectedPath(const PathBoxes& boxes, const TreeView& view, JsonDocument& document,
                      const JsonScanner& converter, bool canonical, bool alsoValue);
void showValueAtPath(const PathBoxes& boxes, JsonDocument& document, const JsonScanner& converter,
                     bool canonical);

// The box texts as GB18030, for the copy commands and the value look-up. The path box
// gives back the exact bytes of the path last shown in it until the user changes its text.
std::string boxText(const QLineEdit* box);
std::string boxText(const ValueBox* box);

} // namespace tess
