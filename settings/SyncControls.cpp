#include "settings/SyncControls.h"

#include <algorithm>

#include "platform/Codec.h"
#include "platform/MessagePump.h"
#include "settings/SettingsStore.h"
#include "settings/ValueEncoding.h"

namespace tess {

namespace {

using settings::decodeItemList;
using settings::encodeItemList;
using settings::joinIndices;
using settings::roundToInt;
using settings::splitIndices;

std::string keyOf(const std::string& name, const char8_t* suffix)
{
    return name + std::string(codec::gb(reinterpret_cast<const char*>(suffix)));
}

// Bytes restored into a text end at the first zero byte.
std::string textOfBytes(const std::string& bytes)
{
    return bytes.substr(0, bytes.find('\0'));
}

// Indices in [0, count), ascending, without repeats.
std::vector<int> normalise(std::vector<int> indices, std::size_t count)
{
    std::erase_if(indices, [count](int i) { return i < 0 || static_cast<std::size_t>(i) >= count; });
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    return indices;
}

// The stored item list replaces items when the side file holds a well-formed list.
bool restoreItems(SettingsStore& store, const std::string& key, std::vector<std::string>& items)
{
    std::string bytes = store.readBytes(key, {});
    return !bytes.empty() && decodeItemList(bytes, items);
}

// Index list of key (default: before), added to base.
std::vector<int> restoreIndices(SettingsStore& store, const std::string& key, const std::vector<int>& before,
                                std::vector<int> base, std::size_t count)
{
    std::vector<int> stored = splitIndices(store.readText(key, joinIndices(before)));
    base.insert(base.end(), stored.begin(), stored.end());
    return normalise(std::move(base), count);
}

void saveControl(SettingsStore& store, const ControlState& c, bool byteMode, const SyncOptions& options)
{
    const std::string& n = c.name;
    switch (c.kind) {
    case ControlKind::Button:
        if (byteMode)
            store.writeBytes(keyOf(n, u8".标记"), c.tag);
        else
            store.writeText(keyOf(n, u8".标记"), c.tag);
        break;
    case ControlKind::EditBox:
        if (byteMode)
            store.writeBytes(n, c.text);
        else
            store.writeText(n, c.text);
        break;
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        store.writeBool(n, c.checked);
        break;
    case ControlKind::ColourPicker:
        store.writeNumber(n, c.colour);
        break;
    case ControlKind::ComboBox:
        store.writeNumber(n, c.currentIndex);
        if (options.comboLists)
            store.writeBytes(keyOf(n, u8".列表"), encodeItemList(c.items));
        if (options.comboTexts)
            store.writeText(keyOf(n, u8".内容"), c.text);
        break;
    case ControlKind::ListBox:
        store.writeBytes(n, encodeItemList(c.items));
        store.writeText(keyOf(n, u8".选中"), joinIndices(c.selected));
        break;
    case ControlKind::CheckedListBox:
        store.writeBytes(n, encodeItemList(c.items));
        store.writeNumber(keyOf(n, u8".选中"), c.currentIndex);
        store.writeText(keyOf(n, u8".打勾"), joinIndices(c.checkedItems));
        break;
    case ControlKind::None:
        break;
    }
}

void restoreControl(SettingsStore& store, ControlState& c, bool byteMode, const SyncOptions& options)
{
    const std::string n = c.name;
    switch (c.kind) {
    case ControlKind::Button:
        if (byteMode)
            c.tag = textOfBytes(store.readBytes(keyOf(n, u8".标记"), c.tag));
        else
            c.tag = store.readText(keyOf(n, u8".标记"), c.tag);
        break;
    case ControlKind::EditBox:
        if (byteMode)
            c.text = textOfBytes(store.readBytes(n, c.text));
        else
            c.text = store.readText(n, c.text);
        break;
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        c.checked = store.readBool(n, c.checked);
        break;
    case ControlKind::ColourPicker:
        c.colour = store.readNumber(n, c.colour);
        break;
    case ControlKind::ComboBox: {
        int index = roundToInt(store.readNumber(n, c.currentIndex));
        if (options.comboLists)
            restoreItems(store, keyOf(n, u8".列表"), c.items);
        if (options.comboTexts)
            c.text = store.readText(keyOf(n, u8".内容"), c.text);
        if (index >= -1 && index < static_cast<int>(c.items.size()))
            c.currentIndex = index;
        else if (c.currentIndex >= static_cast<int>(c.items.size()))
            c.currentIndex = c.items.empty() ? -1 : 0;
        break;
    }
    case ControlKind::ListBox: {
        std::vector<int> before = c.selected;
        bool replaced = restoreItems(store, n, c.items);
        c.selected = restoreIndices(store, keyOf(n, u8".选中"), before,
                                    replaced ? std::vector<int>{} : before, c.items.size());
        break;
    }
    case ControlKind::CheckedListBox: {
        std::vector<int> before = c.checkedItems;
        bool replaced = restoreItems(store, n, c.items);
        int index = roundToInt(store.readNumber(keyOf(n, u8".选中"), c.currentIndex));
        if (index >= -1 && index < static_cast<int>(c.items.size()))
            c.currentIndex = index;
        else if (c.currentIndex >= static_cast<int>(c.items.size()))
            c.currentIndex = -1;
        c.checkedItems = restoreIndices(store, keyOf(n, u8".打勾"), before,
                                        replaced ? std::vector<int>{} : before, c.items.size());
        break;
    }
    case ControlKind::None:
        break;
    }
}

} // namespace

void syncControls(SettingsStore& store, std::vector<ControlState>& controls, bool restore,
                  std::string_view section, const SyncOptions& options)
{
    if (!section.empty())
        store.setSection(section);
    const std::string_view noSave = codec::gb(u8"禁止保存");
    const std::string_view byteTag = codec::gb(u8"字节集方式");
    for (ControlState& c : controls) {
        pumpMessages();
        if (c.name.empty())
            continue;
        if (std::find(options.exclusions.begin(), options.exclusions.end(), c.name) != options.exclusions.end())
            continue;
        ControlKind kind = controlKindOfName(c.name);
        // A control whose name announces another kind than it has is left alone.
        if (kind == ControlKind::None || kind != c.kind)
            continue;
        if (c.tag == noSave)
            continue;
        bool byteMode = c.tag == byteTag;
        if (restore) {
            restoreControl(store, c, byteMode, options);
            c.restored = true;
        } else {
            saveControl(store, c, byteMode, options);
        }
    }
}

} // namespace tess
