#include "tree/widgets/PathBoxes.h"

#include "json/JsonDocument.h"
#include "json/JsonScanner.h"
#include "platform/qt/QtText.h"
#include "json/Decoders.h"
#include "tree/TextChunks.h"
#include "tree/widgets/TreeView.h"
#include "tree/widgets/ValueBox.h"

#include <QLineEdit>
#include <QPointer>
#include <QVariant>

#include <optional>

namespace tess {
namespace {

// The path box keeps the exact bytes of the path it was given beside the text it shows:
// a name whose bytes are no GB18030 text does not survive the trip through Unicode.
constexpr char kPathBytes[] = "tessPathBytes";
constexpr char kPathShown[] = "tessPathShown";

void setPathText(QLineEdit* box, const std::string& gb)
{
    box->setText(qt::toQString(gb));
    box->setProperty(kPathBytes, QByteArray(gb.data(), static_cast<qsizetype>(gb.size())));
    box->setProperty(kPathShown, box->text());
}

// The name of a reading in the status line.
QString readingName(const PathReading& r)
{
    switch (r.style) {
    case PathStyle::Tree:
        return r.compactTree ? qt::ui(u8"树路径（数组下标紧跟名称）") : qt::ui(u8"树路径（数组独立节点）");
    case PathStyle::Jq:
        return QStringLiteral("jq");
    case PathStyle::JsonPath:
        return QStringLiteral("JSONPath");
    case PathStyle::JavaScript:
    case PathStyle::Python:
        return QStringLiteral("JavaScript/Python");
    }
    return {};
}

} // namespace

PathBoxJumps::Jump PathBoxJumps::next(const JsonDocument& document, const std::string& typed, bool compactTree,
                                      int selectedNode)
{
    Jump jump;
    if (!m_readings.empty() && typed == m_shown && selectedNode == m_node) {
        m_taken = (m_taken + 1) % m_readings.size();
    } else {
        m_readings = pathReadings(document, typed, compactTree);
        m_taken = 0;
        m_typed = qt::toQString(typed);
    }
    if (m_readings.empty()) {
        m_node = -1;
        jump.message = lookUpAnyPath(document, typed).readable ? qt::ui(u8"路径没有对应的节点：%1").arg(m_typed)
                                                               : qt::ui(u8"路径写法有误：%1").arg(m_typed);
        return jump;
    }
    const PathReading& taken = m_readings[m_taken];
    m_node = jump.node = taken.node;
    if (m_readings.size() > 1) {
        const PathReading& other = m_readings[(m_taken + 1) % m_readings.size()];
        jump.message = qt::ui(u8"“%1”按%2读取（共 %3 种读法）；再按 Enter 改按%4读取")
                           .arg(m_typed, readingName(taken))
                           .arg(m_readings.size())
                           .arg(readingName(other));
    }
    return jump;
}

std::string boxText(const QLineEdit* box)
{
    if (!box)
        return {};
    // The bytes as set, until the text is no longer the one shown for them.
    const QVariant shown = box->property(kPathShown);
    if (shown.isValid() && shown.toString() == box->text()) {
        const QByteArray bytes = box->property(kPathBytes).toByteArray();
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    return qt::toGb(box->text());
}

std::string boxText(const ValueBox* box)
{
    return box ? box->valueText() : std::string();
}

void showSelectedPath(const PathBoxes& boxes, const TreeView& view, JsonDocument& document,
                      const JsonScanner& converter, bool canonical, bool alsoValue)
{
    const int item = view.selectedItem();
    if (item < 0) {
        // Nothing selected (after a load that restored no selection): no node to show.
        setPathText(boxes.path, std::string());
        boxes.value->setValueText(std::string());
        boxes.decoded->setValueText(std::string());
        return;
    }
    std::string path = document.pathOfNode(item + 1);
    if (!canonical)
        path = converter.convertPath(path, 0);
    setPathText(boxes.path, path);
    if (alsoValue)
        showValueAtPath(boxes, document, converter, canonical);
}

void showValueAtPath(const PathBoxes& boxes, JsonDocument& document, const JsonScanner& converter,
                     bool canonical)
{
    std::string path = boxText(boxes.path);
    if (!canonical)
        path = converter.convertPath(path, 1);
    // The root's value is the whole text; when the document keeps it as its prepared copy
    // plus the differences, the value box shares it (or holds it compacted), and the text
    // itself is made only for the decoders and let go again.
    if (const auto& root = document.rootText(); root && (path.empty() || document.scanner().parsePath(path) == 0)) {
        const SharedText whole(root);
        if (whole.size() >= boxes.laterFrom && boxes.later) {
            boxes.value->setValueText(whole);
            boxes.decoded->setValueText(std::string());
            boxes.later([whole, value = QPointer<ValueBox>(boxes.value), decodedBox = QPointer<ValueBox>(boxes.decoded)] {
                auto compacted = std::make_shared<std::optional<std::string>>(compactedText(whole));
                auto decoded = std::make_shared<std::string>(decodeHtmlEntities(
                    *compacted ? decodeUnicodeEscapes(**compacted) : decodeUnicodeEscapes(whole.copy())));
                return std::function<void()>([value, decodedBox, compacted, decoded] {
                    if (value && *compacted)
                        value->setValueText(std::move(**compacted));
                    if (decodedBox)
                        decodedBox->setValueText(std::move(*decoded));
                });
            });
            return;
        }
        std::optional<std::string> compacted = compactedText(whole);
        std::string decoded = compacted ? decodeUnicodeEscapes(*compacted) : decodeUnicodeEscapes(whole.copy());
        decoded = decodeHtmlEntities(decoded);
        if (compacted)
            boxes.value->setValueText(std::move(*compacted));
        else
            boxes.value->setValueText(whole);
        boxes.decoded->setValueText(std::move(decoded));
        return;
    }
    // The value and its decoded form each go to their box without another copy.
    std::string value = document.valueAt(path);
    if (value.size() >= boxes.laterFrom && boxes.later) {
        auto shared = std::make_shared<const std::string>(std::move(value));
        boxes.value->setValueText(SharedText(shared));
        boxes.decoded->setValueText(std::string());
        boxes.later([shared, decodedBox = QPointer<ValueBox>(boxes.decoded)] {
            auto decoded = std::make_shared<std::string>(decodeHtmlEntities(decodeUnicodeEscapes(*shared)));
            return std::function<void()>([decodedBox, decoded] {
                if (decodedBox)
                    decodedBox->setValueText(std::move(*decoded));
            });
        });
        return;
    }
    std::string decoded = decodeHtmlEntities(decodeUnicodeEscapes(value));
    boxes.value->setValueText(std::move(value));
    boxes.decoded->setValueText(std::move(decoded));
}

} // namespace tess
