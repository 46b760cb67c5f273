#pragma once
// Control states of a Qt window through the settings store.
//
// The controls of a window are its descendant widgets that belong to the same window,
// in creation order (depth first). The inner parts of composite widgets (scroll areas,
// lists, combo and spin boxes, and every widget of a kind below) are not listed; a
// QScrollArea's content widget is. A control's name is its objectName(); its tag is
// the dynamic property "tag" (QString; see kTagProperty). Kinds:
//   QPushButton / QToolButton     button (its tag is what gets saved)
//   QLineEdit, QPlainTextEdit, QTextEdit (plain text)   edit box
//   QCheckBox                     check box
//   QRadioButton                  radio button
//   QComboBox                     combo box
//   QListWidget                   list box, or checked list box when its name says so
//                                 (current row, check states of its items)
//   any widget with a QColor property "color"   colour picker (number = QColor::rgba())
// Texts are converted between QString and GB18030 here; multi-line edit boxes store
// CR LF line breaks.
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <string_view>
#include <vector>

#include "settings/ControlState.h"
#include "settings/SyncControls.h"

namespace tess {

class SettingsStore;

namespace qtcontrols {

inline constexpr const char* kTagProperty = "tag";

// The window's controls in order, with their current states.
std::vector<ControlState> listControls(QWidget* window, QList<QPointer<QWidget>>* widgets = nullptr);
// Applies the entries marked restored to their widgets (same order as listControls).
void applyControls(const std::vector<ControlState>& states, const QList<QPointer<QWidget>>& widgets);

} // namespace qtcontrols

// Writes the states of window's controls into section (usually "JSON树").
void saveWindowControls(QWidget* window, SettingsStore& store, std::string_view section,
                        const SyncOptions& options = {});
// Reads them back and applies them; missing keys leave controls unchanged.
void restoreWindowControls(QWidget* window, SettingsStore& store, std::string_view section,
                           const SyncOptions& options = {});

// The tag property as GB18030 and back.
std::string controlTag(const QWidget* widget);
void setControlTag(QWidget* widget, std::string_view tagGb);

} // namespace tess
