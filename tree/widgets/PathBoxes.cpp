#include "tree/widgets/PathBoxes.h"

#include "json/JsonDocument.h"
#include "json/JsonScanner.h"
#include "platform/qt/QtText.h"
#include "tree/Decoders.h"
#include "tree/widgets/TreeView.h"
#include "tree/widgets/ValueBox.h"

#include <QLineEdit>

namespace tess {

std::string boxText(const QLineEdit* box)
{
    return box ? qt::toGb(box->text()) : std::string();
}

std::string boxText(const ValueBox* box)
{
    return box ? box->valueText() : std::string();
}

void showSelectedPath(const PathBoxes& boxes, const TreeView& view, JsonDocument& document,
                      const JsonScanner& converter, bool canonical, bool alsoValue)
{
    const int item = view.selectedItem();
    std::string path = document.pathOfNode(item + 1);
    if (!canonical)
        path = converter.convertPath(path, 0);
    boxes.path->setText(qt::toQString(path));
    if (alsoValue)
        showValueAtPath(boxes, document, converter, canonical);
}

void showValueAtPath(const PathBoxes& boxes, JsonDocument& document, const JsonScanner& converter,
                     bool canonical)
{
    std::string path = boxText(boxes.path);
    if (!canonical)
        path = converter.convertPath(path, 1);
    // The value and its decoded form each go to their box without another copy.
    std::string value = document.valueAt(path);
    std::string decoded = decodeHtmlEntities(decodeUnicodeEscapes(value));
    boxes.value->setValueText(std::move(value));
    boxes.decoded->setValueText(std::move(decoded));
}

} // namespace tess
