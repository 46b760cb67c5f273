#pragma once
// The path box and the two value boxes: the selected node's path (canonical or compact
// form), its value text from that path, and the value with escapes and entities decoded.
#include "json/PathSyntax.h"

#include <QString>

#include <cstdint>
#include <functional>

#include <string>
#include <vector>

class QLineEdit;

namespace tess {

class JsonDocument;
class JsonScanner;
class TreeView;
class ValueBox;

// Work for another thread that gives back what to do on the window's thread.
using BoxWork = std::function<std::function<void()>()>;

struct PathBoxes {
    QLineEdit* path = nullptr;
    ValueBox* value = nullptr;
    ValueBox* decoded = nullptr;
    // A value of at least laterFrom bytes is decoded (the root's also compacted) by work
    // handed to later, which runs it off the window's thread; the value box shows the
    // value as it stands meanwhile, the decoded box nothing.
    std::size_t laterFrom = SIZE_MAX;
    std::function<void(BoxWork)> later;
};

// canonical: paths are shown with array indexes as segments of their own (a.[0].b);
// otherwise in compact form (a[0].b). With no item selected all three boxes are empty.
void showSelectedPath(const PathBoxes& boxes, const TreeView& view, JsonDocument& document,
                      const JsonScanner& converter, bool canonical, bool alsoValue);
void showValueAtPath(const PathBoxes& boxes, JsonDocument& document, const JsonScanner& converter,
                     bool canonical);

// Enter in the path box: the node a typed path names, read in every syntax the copy
// commands write (pathReadings). When the text names different nodes in two of them, the
// first is taken, the status line says so, and Enter again, while the box still shows
// the path that jump put there, takes the next one.
class PathBoxJumps {
public:
    struct Jump {
        int node = -1;   // the node to select; -1 when the text names none
        QString message; // for the status line: empty after an only reading
    };
    // typed: the path box's text; selectedNode: the node selected now.
    Jump next(const JsonDocument& document, const std::string& typed, bool compactTree, int selectedNode);
    // After the jump: the path box's text now, which the next Enter compares with.
    void jumped(const std::string& shown) { m_shown = shown; }

private:
    std::vector<PathReading> m_readings;
    std::size_t m_taken = 0;
    int m_node = -1;
    std::string m_shown;
    QString m_typed;
};

// The box texts as GB18030, for the copy commands and the value look-up. The path box
// gives back the exact bytes of the path last shown in it until the user changes its text.
std::string boxText(const QLineEdit* box);
std::string boxText(const ValueBox* box);

} // namespace tess
