#include "resources/menu_resource.h"

#include "resources/resource_ids.h"

#include <iterator>

namespace {

constexpr MenuItem connectItems[] = {
    {"接続(&C)\tF2", IDM_CONNECT},
    {nullptr, 0},
    {"終了(&X)", IDM_EXIT},
};

constexpr MenuPopup mainMenuPopups[] = {
    {"接続(&C)", connectItems, static_cast<int>(std::size(connectItems))},
};

constexpr MenuResource mainMenu = {IDR_MAINMENU, mainMenuPopups, static_cast<int>(std::size(mainMenuPopups))};

constexpr Accelerator mainAccelerators[] = {
    {AccelVirtualKey, VirtualKeyF1 + 1, IDM_CONNECT},
};

constexpr AcceleratorTable mainAcceleratorTable = {IDR_ACCEL, mainAccelerators,
                                                   static_cast<int>(std::size(mainAccelerators))};

}  // namespace

const MenuResource* findMenu(int resourceId)
{
    return resourceId == mainMenu.resourceId ? &mainMenu : nullptr;
}

const AcceleratorTable* findAcceleratorTable(int resourceId)
{
    return resourceId == mainAcceleratorTable.resourceId ? &mainAcceleratorTable : nullptr;
}
