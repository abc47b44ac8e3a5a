#include "resources/menu_resource.h"

#include "resources/resource_ids.h"

#include <iterator>

namespace {

constexpr MenuItem connectItems[] = {
    {"接続(&C)\tF2", IDM_CONNECT},
    {nullptr, 0},
    {"終了(&X)", IDM_EXIT},
};

constexpr MenuItem voiceItems[] = {
    {"エコー除去", IDM_ECHO_CANCEL, true},
    {"ノイズ除去", IDM_NOISE_SUPPRESSION, true},
    {"自動音量調整", IDM_AUTO_GAIN, true},
};

constexpr MenuPopup connectPopup = {"接続(&C)", connectItems, static_cast<int>(std::size(connectItems))};

constexpr MenuPopup mainMenuPopups[] = {connectPopup};

// The dedicated server has no microphone, so only the participant has the voice popup.
constexpr MenuPopup participantMenuPopups[] = {
    connectPopup,
    {"音声(&A)", voiceItems, static_cast<int>(std::size(voiceItems))},
};

constexpr MenuResource menus[] = {
    {IDR_MAINMENU, mainMenuPopups, static_cast<int>(std::size(mainMenuPopups))},
    {IDR_PARTICIPANT_MENU, participantMenuPopups, static_cast<int>(std::size(participantMenuPopups))},
};

constexpr Accelerator mainAccelerators[] = {
    {AccelVirtualKey, VirtualKeyF1 + 1, IDM_CONNECT},
};

constexpr AcceleratorTable mainAcceleratorTable = {IDR_ACCEL, mainAccelerators,
                                                   static_cast<int>(std::size(mainAccelerators))};

}  // namespace

const MenuResource* findMenu(int resourceId)
{
    for (const MenuResource& menu : menus) {
        if (menu.resourceId == resourceId)
            return &menu;
    }
    return nullptr;
}

const AcceleratorTable* findAcceleratorTable(int resourceId)
{
    return resourceId == mainAcceleratorTable.resourceId ? &mainAcceleratorTable : nullptr;
}
