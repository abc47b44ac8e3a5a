// The menu bar and the accelerator table made from the resource data.

#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <string>

#include "shell/windows/native_menu.h"

namespace {

std::wstring itemText(HMENU menu, UINT position)
{
    wchar_t text[64];
    int length = GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
    return std::wstring(text, static_cast<size_t>(length));
}

TEST(NativeMenu, MainMenuHasTheConnectPopupWithItsItemsAndSeparator)
{
    const MenuResource* resource = findMenu(IDR_MAINMENU);
    ASSERT_NE(resource, nullptr);
    HMENU bar = buildMenu(*resource);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 1);
    EXPECT_EQ(itemText(bar, 0), L"接続(&C)");
    HMENU popup = GetSubMenu(bar, 0);
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(GetMenuItemCount(popup), 3);
    EXPECT_EQ(GetMenuItemID(popup, 0), static_cast<UINT>(IDM_CONNECT));
    EXPECT_EQ(itemText(popup, 0), L"接続(&C)\tF2");
    EXPECT_EQ(GetMenuState(popup, 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(GetMenuItemID(popup, 2), static_cast<UINT>(IDM_EXIT));
    EXPECT_EQ(itemText(popup, 2), L"終了(&X)");
    DestroyMenu(bar);
}

TEST(NativeMenu, F2WithoutModifiersGivesTheConnectCommand)
{
    const AcceleratorTable* table = findAcceleratorTable(IDR_ACCEL);
    ASSERT_NE(table, nullptr);
    HACCEL accelerators = buildAcceleratorTable(*table);
    ASSERT_NE(accelerators, nullptr);
    ACCEL entries[4];
    ASSERT_EQ(CopyAcceleratorTableW(accelerators, entries, 4), 1);
    EXPECT_EQ(entries[0].fVirt & (FVIRTKEY | FSHIFT | FCONTROL | FALT), FVIRTKEY);
    EXPECT_EQ(entries[0].key, VK_F2);
    EXPECT_EQ(entries[0].cmd, IDM_CONNECT);
    DestroyAcceleratorTable(accelerators);
}

TEST(NativeMenu, EmptyAcceleratorTableGivesNone)
{
    const AcceleratorTable empty{IDR_ACCEL, nullptr, 0};
    EXPECT_EQ(buildAcceleratorTable(empty), nullptr);
}

}  // namespace
