// The main windows of the participant (IDD_MAIN) and of the dedicated relay server
// (IDD_SERVER_MAIN): a few header controls, then one row per slot of the relay's peer table.

#include "resources/template_set.h"

#include "resources/resource_ids.h"
#include "resources/template_controls.h"

namespace {

constexpr int slotCount = 16;
constexpr int slotRowPitch = 8;
constexpr unsigned muteStyle = StyleTabStop;
constexpr unsigned meterStyle = StyleSmooth;

// Where the slot rows of a main window lie. Each row holds the slot's name label (one unit
// lower than the row, so its text lines up with the button's), its mute button and its meter.
struct SlotRowLayout {
    int nameX;
    int muteX;
    int meterX;
    int firstRowY;
};

// Writes the sixteen name labels, then the sixteen meters, then the sixteen mute buttons.
template <std::size_t count>
constexpr void writeSlotRows(std::array<DialogControl, count>& controls, std::size_t& next, const SlotRowLayout& layout)
{
    for (int slot = 0; slot < slotCount; ++slot) {
        const int rowY = layout.firstRowY + slotRowPitch * slot;
        controls[next++] =
            makeControl(IDC_SLOT_NAME_BASE + slot, ControlKind::Label, "", layout.nameX, rowY + 1, 64, 8);
    }
    for (int slot = 0; slot < slotCount; ++slot) {
        const int rowY = layout.firstRowY + slotRowPitch * slot;
        controls[next++] = makeControl(IDC_SLOT_METER_BASE + slot, ControlKind::ProgressBar, "", layout.meterX, rowY,
                                       78, 8, meterStyle);
    }
    for (int slot = 0; slot < slotCount; ++slot) {
        const int rowY = layout.firstRowY + slotRowPitch * slot;
        controls[next++] = makeControl(IDC_SLOT_MUTE_BASE + slot, ControlKind::PushLikeCheck, "Mute", layout.muteX,
                                       rowY, 24, 8, muteStyle);
    }
}

constexpr std::size_t slotRowControls = 3 * slotCount;

constexpr auto participantControls = [] {
    std::array<DialogControl, 4 + slotRowControls + 1> controls{};
    std::size_t next = 0;
    controls[next++] = makeControl(IDC_STATIC, ControlKind::Label, "送信音量", 36, 9, 36, 8);
    controls[next++] = makeControl(IDC_SEND_METER, ControlKind::ProgressBar, "", 96, 6, 78, 12, meterStyle);
    controls[next++] = makeControl(IDC_SEND_MUTE, ControlKind::PushLikeCheck, "Mute", 72, 6, 24, 12, muteStyle);
    controls[next++] = makeControl(IDC_RECV_MUTE, ControlKind::PushLikeCheck, "Mute", 72, 30, 24, 12, muteStyle);
    writeSlotRows(controls, next, {7, 72, 96, 42});
    controls[next++] = makeControl(IDC_STATIC, ControlKind::Label, "受信音量", 36, 33, 36, 8);
    return controls;
}();
static_assert(everyControlSet(participantControls));

constexpr auto serverControls = [] {
    std::array<DialogControl, 1 + slotRowControls + 1> controls{};
    std::size_t next = 0;
    controls[next++] = makeControl(IDC_RECV_MUTE, ControlKind::PushLikeCheck, "Mute", 71, 6, 24, 12, muteStyle);
    writeSlotRows(controls, next, {6, 71, 95, 18});
    controls[next++] = makeControl(IDC_STATIC, ControlKind::Label, "受信音量", 35, 9, 36, 8);
    return controls;
}();
static_assert(everyControlSet(serverControls));

// Both main windows share class, frame, font and the title that creation replaces.
constexpr DialogTemplate mainWindowTemplate(int resourceId, int height, int menuId, const DialogControl* controls,
                                            std::size_t count)
{
    return {resourceId,
            DialogFrame::MainWindow,
            "Dialog",
            179,
            static_cast<std::int16_t>(height),
            "MS UI Gothic",
            9,
            "zelAppDialog",
            menuId,
            controls,
            static_cast<int>(count)};
}

}  // namespace

constinit const DialogTemplate participantMainTemplate =
    mainWindowTemplate(IDD_MAIN, 177, IDR_PARTICIPANT_MENU, participantControls.data(), participantControls.size());
constinit const DialogTemplate serverMainTemplate =
    mainWindowTemplate(IDD_SERVER_MAIN, 153, IDR_MAINMENU, serverControls.data(), serverControls.size());
