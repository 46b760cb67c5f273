#include "app/TabCompare.h"

#include "compare/EngineSide.h"
#include "json/JsonDocument.h"
#include "platform/qt/QtText.h"

namespace tess {

using compare::DiffKind;
using qt::ui;

std::shared_ptr<TabComparison> compareTexts(const SharedText& left, const SharedText& right,
                                            const LoadOptions& options, const std::atomic<bool>* cancel,
                                            const std::function<void(uint64_t, uint64_t)>& progress)
{
    JsonDocument a, b;
    parseText(left, a, options);
    if (cancel && cancel->load())
        return nullptr;
    parseText(right, b, options);
    if (cancel && cancel->load())
        return nullptr;
    auto result = std::make_shared<TabComparison>();
    const compare::EngineSide l(a), r(b);
    compare::CompareOptions compareOptions;
    compareOptions.cancel = cancel;
    compareOptions.progress = progress;
    using Diff = compare::Difference<compare::EngineSide, compare::EngineSide>;
    result->summary = compare::compareDocuments<compare::EngineSide, compare::EngineSide>(
        l, r, compareOptions, [&](const Diff& d) {
            // An addition marks the container it went into (the root when it has none).
            const int32_t node = d.left ? *d.left : (d.leftContainer ? *d.leftContainer : 1);
            result->marks.add(d.kind, node);
            return true;
        });
    if (result->summary.cancelled)
        return nullptr;
    result->marks.finish(a.nodes());
    result->leftNodes = a.nodes().nodeCount();
    return result;
}

int markOfItem(const TabComparison& c, int item)
{
    if (item < 0 || item >= c.leftNodes)
        return -1;
    const std::optional<DiffKind> mark = c.marks.markOf(item + 1);
    return mark ? static_cast<int>(*mark) : -1;
}

QString diffWord(DiffKind kind)
{
    switch (kind) {
    case DiffKind::Added:
        return ui(u8"有新增");
    case DiffKind::Removed:
        return ui(u8"已删除");
    case DiffKind::Changed:
        return ui(u8"值不同");
    case DiffKind::TypeChanged:
        return ui(u8"类型不同");
    }
    return {};
}

QString comparisonStatus(const TabComparison& c, int selectedItem)
{
    const compare::CompareSummary& s = c.summary;
    QString text;
    if (s.differences() == 0)
        text = ui(u8"与%1相同").arg(c.against);
    else
        text = ui(u8"与%1比较：新增 %2，删除 %3，值不同 %4，类型不同 %5（F7 下一处）")
                   .arg(c.against)
                   .arg(s.added)
                   .arg(s.removed)
                   .arg(s.changed)
                   .arg(s.typeChanged);
    if (s.noteCount > 0)
        text += ui(u8"；%1 处过大，按顺序比较").arg(s.noteCount);
    if (const int mark = markOfItem(c, selectedItem); mark >= 0)
        text += ui(u8"；所选：%1").arg(diffWord(static_cast<DiffKind>(mark)));
    return text;
}

} // namespace tess
