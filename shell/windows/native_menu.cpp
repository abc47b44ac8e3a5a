#include "shell/windows/native_menu.h"

#include "shell/windows/wide_text.h"

namespace {

constexpr int ITEM_TEXT_CAPACITY = 128;
// One program's table is small; entries beyond this are left out.
constexpr int ACCELERATOR_CAPACITY = 16;

bool appendItem(HMENU popup, const MenuItem& item)
{
    if (item.text == nullptr)
        return AppendMenuW(popup, MF_SEPARATOR, 0, nullptr) != FALSE;
    wchar_t text[ITEM_TEXT_CAPACITY];
    toWideText(item.text, text, ITEM_TEXT_CAPACITY);
    return AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(item.commandId), text) != FALSE;
}

HMENU buildPopup(const MenuPopup& popup)
{
    HMENU handle = CreatePopupMenu();
    if (handle == nullptr)
        return nullptr;
    for (int index = 0; index < popup.itemCount; ++index) {
        if (!appendItem(handle, popup.items[index])) {
            DestroyMenu(handle);
            return nullptr;
        }
    }
    return handle;
}

}  // namespace

HMENU buildMenu(const MenuResource& menu)
{
    HMENU bar = CreateMenu();
    if (bar == nullptr)
        return nullptr;
    for (int index = 0; index < menu.popupCount; ++index) {
        HMENU popup = buildPopup(menu.popups[index]);
        wchar_t text[ITEM_TEXT_CAPACITY];
        toWideText(menu.popups[index].text, text, ITEM_TEXT_CAPACITY);
        if (popup == nullptr || !AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), text)) {
            if (popup != nullptr)
                DestroyMenu(popup);
            DestroyMenu(bar);
            return nullptr;
        }
    }
    return bar;
}

HACCEL buildAcceleratorTable(const AcceleratorTable& table)
{
    ACCEL entries[ACCELERATOR_CAPACITY];
    int count = 0;
    for (int index = 0; index < table.entryCount && count < ACCELERATOR_CAPACITY; ++index) {
        const Accelerator& entry = table.entries[index];
        // The resource data keeps the native flag values.
        entries[count++] = ACCEL{entry.flags, entry.key, static_cast<WORD>(entry.commandId)};
    }
    return count > 0 ? CreateAcceleratorTableW(entries, count) : nullptr;
}
