#include "settings/ControlState.h"

#include <utility>

#include "platform/Codec.h"

namespace tess {

ControlKind controlKindOfName(std::string_view name)
{
    // Tried in this order; the first matching prefix decides.
    static const std::pair<std::string_view, ControlKind> kinds[] = {
        {codec::gb(u8"按钮"), ControlKind::Button},
        {codec::gb(u8"编辑框"), ControlKind::EditBox},
        {codec::gb(u8"选择框"), ControlKind::CheckBox},
        {codec::gb(u8"单选框"), ControlKind::RadioButton},
        {codec::gb(u8"组合框"), ControlKind::ComboBox},
        {codec::gb(u8"列表框"), ControlKind::ListBox},
        {codec::gb(u8"选择列表框"), ControlKind::CheckedListBox},
        {codec::gb(u8"颜色选择器"), ControlKind::ColourPicker},
    };
    for (const auto& [prefix, kind] : kinds) {
        if (!prefix.empty() && name.substr(0, prefix.size()) == prefix)
            return kind;
    }
    return ControlKind::None;
}

} // namespace tess
