#pragma once
// The menu bar and the accelerator table from their resource data, as Windows menus and
// accelerator tables.
// Threading: the thread of the window that uses them.

#include "resources/menu_resource.h"

#include <windows.h>

// A menu bar with the resource's popups and items, each item giving its command id in
// WM_COMMAND. nullptr when the system refuses a menu.
HMENU buildMenu(const MenuResource& menu);

// nullptr when the table is empty or the system refuses it.
HACCEL buildAcceleratorTable(const AcceleratorTable& table);
