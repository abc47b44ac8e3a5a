#pragma once
// The menu bar and the keyboard accelerators as plain data. Texts are UTF-8; "&" marks the
// mnemonic and a tab separates the shortcut shown at the right of an item.

#include <cstdint>

struct MenuItem {
    const char* text = nullptr;  // nullptr: a separator
    int commandId = 0;
    // Shows a check mark that the window sets; choosing the item only sends its command.
    bool checkable = false;
};

struct MenuPopup {
    const char* text = "";
    const MenuItem* items = nullptr;
    int itemCount = 0;
};

struct MenuResource {
    int resourceId = 0;
    const MenuPopup* popups = nullptr;
    int popupCount = 0;
};

// Accelerator flags and keys carry the values of the native accelerator tables, so that a
// native shell can use the entries unchanged.
enum AcceleratorFlags : std::uint8_t {
    AccelVirtualKey = 0x01,
    AccelShift = 0x04,
    AccelControl = 0x08,
    AccelAlt = 0x10,
};

constexpr std::uint16_t VirtualKeyF1 = 0x70;  // F1..F24 follow in order

struct Accelerator {
    std::uint8_t flags = AccelVirtualKey;
    std::uint16_t key = 0;
    int commandId = 0;
};

struct AcceleratorTable {
    int resourceId = 0;
    const Accelerator* entries = nullptr;
    int entryCount = 0;
};

// The menu or accelerator table with this resource id, or nullptr.
const MenuResource* findMenu(int resourceId);
const AcceleratorTable* findAcceleratorTable(int resourceId);
