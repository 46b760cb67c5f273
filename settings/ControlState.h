#pragma once
// The neutral form of a window's controls: what the GUI layer reports about each
// control, and what syncControls changes when it restores. Plain C++, no widgets.
#include <string>
#include <string_view>
#include <vector>

namespace tess {

enum class ControlKind {
    None,
    Button,
    EditBox,
    CheckBox,
    RadioButton,
    ComboBox,
    ListBox,
    CheckedListBox,
    ColourPicker,
};

// The kind a control name announces by its leading word ("按钮", "编辑框", ...);
// None when it starts with no kind word. name is GB18030.
ControlKind controlKindOfName(std::string_view name);

struct ControlState {
    std::string name;                 // GB18030
    ControlKind kind = ControlKind::None; // what the control really is
    std::string tag;                  // GB18030; a button's saved value

    std::string text;                 // edit box content (CR LF line breaks); combo box edit text
    bool checked = false;             // check box, radio button
    double colour = 0;                // colour picker
    int currentIndex = -1;            // combo box, checked list box
    std::vector<std::string> items;   // combo box, list box, checked list box (GB18030)
    std::vector<int> selected;        // list box: selected item indices, ascending
    std::vector<int> checkedItems;    // checked list box: checked item indices, ascending

    bool restored = false;            // set by a restore pass that handled this control
};

} // namespace tess
