#include "settings/qt/QtControls.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QScrollArea>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QToolButton>
#include <QVariant>

#include "platform/Codec.h"
#include "settings/SettingsStore.h"

namespace tess {

namespace {

std::string toGb(const QString& s)
{
    return codec::utf16ToGb18030(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()),
                                                     static_cast<std::size_t>(s.size())))
        .text;
}

QString fromGb(std::string_view gb)
{
    std::u16string u = codec::gb18030ToUtf16(gb);
    return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

// Multi-line edit boxes hold LF line breaks; the settings hold CR LF.
std::string toCrLf(const QString& s)
{
    QString t = s;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return toGb(t);
}

QString fromCrLf(std::string_view gb)
{
    QString t = fromGb(gb);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return t;
}

bool isColourPicker(const QWidget* w)
{
    QVariant v = w->property("color");
    return v.isValid() && v.metaType().id() == QMetaType::QColor;
}

// The kind the widget really is; list widgets are told apart by their name.
ControlKind kindOfWidget(const QWidget* w, ControlKind nameKind)
{
    if (qobject_cast<const QCheckBox*>(w))
        return ControlKind::CheckBox;
    if (qobject_cast<const QRadioButton*>(w))
        return ControlKind::RadioButton;
    if (qobject_cast<const QPushButton*>(w) || qobject_cast<const QToolButton*>(w))
        return ControlKind::Button;
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w))
        return ControlKind::EditBox;
    if (qobject_cast<const QComboBox*>(w))
        return ControlKind::ComboBox;
    if (qobject_cast<const QListWidget*>(w))
        return nameKind == ControlKind::CheckedListBox ? ControlKind::CheckedListBox : ControlKind::ListBox;
    if (isColourPicker(w))
        return ControlKind::ColourPicker;
    return ControlKind::None;
}

std::vector<std::string> itemsOf(const QListWidget* list)
{
    std::vector<std::string> items;
    for (int i = 0; i < list->count(); ++i)
        items.push_back(toGb(list->item(i)->text()));
    return items;
}

ControlState stateOf(QWidget* w)
{
    ControlState c;
    c.name = toGb(w->objectName());
    c.tag = controlTag(w);
    c.kind = kindOfWidget(w, controlKindOfName(c.name));
    switch (c.kind) {
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        c.checked = static_cast<QAbstractButton*>(w)->isChecked();
        break;
    case ControlKind::EditBox:
        if (auto* line = qobject_cast<QLineEdit*>(w))
            c.text = toGb(line->text());
        else if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
            c.text = toCrLf(plain->toPlainText());
        else if (auto* rich = qobject_cast<QTextEdit*>(w))
            c.text = toCrLf(rich->toPlainText());
        break;
    case ControlKind::ComboBox: {
        auto* combo = static_cast<QComboBox*>(w);
        c.currentIndex = combo->currentIndex();
        for (int i = 0; i < combo->count(); ++i)
            c.items.push_back(toGb(combo->itemText(i)));
        c.text = toGb(combo->currentText());
        break;
    }
    case ControlKind::ListBox: {
        auto* list = static_cast<QListWidget*>(w);
        c.items = itemsOf(list);
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->isSelected())
                c.selected.push_back(i);
        }
        break;
    }
    case ControlKind::CheckedListBox: {
        auto* list = static_cast<QListWidget*>(w);
        c.items = itemsOf(list);
        c.currentIndex = list->currentRow();
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->checkState() == Qt::Checked)
                c.checkedItems.push_back(i);
        }
        break;
    }
    case ControlKind::ColourPicker:
        c.colour = static_cast<double>(w->property("color").value<QColor>().rgba());
        break;
    case ControlKind::Button:
    case ControlKind::None:
        break;
    }
    return c;
}

void setListItems(QListWidget* list, const std::vector<std::string>& items, bool checkable)
{
    if (itemsOf(list) == items)
        return;
    list->clear();
    for (const auto& text : items) {
        auto* item = new QListWidgetItem(fromGb(text), list);
        if (checkable) {
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
    }
}

void applyState(QWidget* w, const ControlState& c)
{
    switch (c.kind) {
    case ControlKind::Button:
        setControlTag(w, c.tag);
        break;
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        static_cast<QAbstractButton*>(w)->setChecked(c.checked);
        break;
    case ControlKind::EditBox:
        if (auto* line = qobject_cast<QLineEdit*>(w)) {
            QString text = fromGb(c.text);
            if (line->text() != text)
                line->setText(text);
        } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
            QString text = fromCrLf(c.text);
            if (plain->toPlainText() != text)
                plain->setPlainText(text);
        } else if (auto* rich = qobject_cast<QTextEdit*>(w)) {
            QString text = fromCrLf(c.text);
            if (rich->toPlainText() != text)
                rich->setPlainText(text);
        }
        break;
    case ControlKind::ComboBox: {
        auto* combo = static_cast<QComboBox*>(w);
        std::vector<std::string> now;
        for (int i = 0; i < combo->count(); ++i)
            now.push_back(toGb(combo->itemText(i)));
        if (now != c.items) {
            combo->clear();
            for (const auto& text : c.items)
                combo->addItem(fromGb(text));
        }
        if (c.currentIndex >= -1 && c.currentIndex < combo->count())
            combo->setCurrentIndex(c.currentIndex);
        if (combo->isEditable() && combo->currentText() != fromGb(c.text))
            combo->setEditText(fromGb(c.text));
        break;
    }
    case ControlKind::ListBox: {
        auto* list = static_cast<QListWidget*>(w);
        setListItems(list, c.items, false);
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setSelected(std::binary_search(c.selected.begin(), c.selected.end(), i));
        break;
    }
    case ControlKind::CheckedListBox: {
        auto* list = static_cast<QListWidget*>(w);
        setListItems(list, c.items, true);
        if (c.currentIndex >= -1 && c.currentIndex < list->count())
            list->setCurrentRow(c.currentIndex);
        for (int i = 0; i < list->count(); ++i) {
            bool on = std::binary_search(c.checkedItems.begin(), c.checkedItems.end(), i);
            list->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        }
        break;
    }
    case ControlKind::ColourPicker:
        if (c.colour >= 0 && c.colour <= 4294967295.0)
            w->setProperty("color", QColor::fromRgba(static_cast<QRgb>(c.colour)));
        break;
    case ControlKind::None:
        break;
    }
}

} // namespace

std::string controlTag(const QWidget* widget)
{
    QVariant v = widget->property(qtcontrols::kTagProperty);
    return v.isValid() ? toGb(v.toString()) : std::string();
}

void setControlTag(QWidget* widget, std::string_view tagGb)
{
    widget->setProperty(qtcontrols::kTagProperty, fromGb(tagGb));
}

namespace qtcontrols {

namespace {

// Parts of a composite control (a list's viewport, a combo box's editor) are not controls.
bool isComposite(const QWidget* w, ControlKind kind)
{
    return kind != ControlKind::None || qobject_cast<const QAbstractScrollArea*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w);
}

void collect(QWidget* parent, std::vector<ControlState>& states, QList<QPointer<QWidget>>* widgets)
{
    for (QObject* child : parent->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || w->isWindow())
            continue; // other windows own their controls
        states.push_back(stateOf(w));
        if (widgets)
            widgets->append(QPointer<QWidget>(w));
        if (auto* area = qobject_cast<QScrollArea*>(w)) {
            if (area->widget())
                collect(area->widget(), states, widgets);
        } else if (!isComposite(w, states.back().kind)) {
            collect(w, states, widgets);
        }
    }
}

} // namespace

std::vector<ControlState> listControls(QWidget* window, QList<QPointer<QWidget>>* widgets)
{
    std::vector<ControlState> states;
    if (window)
        collect(window, states, widgets);
    return states;
}

void applyControls(const std::vector<ControlState>& states, const QList<QPointer<QWidget>>& widgets)
{
    const std::size_t n = std::min(states.size(), static_cast<std::size_t>(widgets.size()));
    for (std::size_t i = 0; i < n; ++i) {
        QWidget* w = widgets[static_cast<qsizetype>(i)];
        // A widget deleted while messages were pumped is skipped.
        if (w && states[i].restored)
            applyState(w, states[i]);
    }
}

} // namespace qtcontrols

void saveWindowControls(QWidget* window, SettingsStore& store, std::string_view section, const SyncOptions& options)
{
    std::vector<ControlState> states = qtcontrols::listControls(window);
    syncControls(store, states, false, section, options);
}

void restoreWindowControls(QWidget* window, SettingsStore& store, std::string_view section,
                           const SyncOptions& options)
{
    QList<QPointer<QWidget>> widgets;
    std::vector<ControlState> states = qtcontrols::listControls(window, &widgets);
    syncControls(store, states, true, section, options);
    qtcontrols::applyControls(states, widgets);
}

} // namespace tess
