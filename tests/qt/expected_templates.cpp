#include "tests/qt/expected_templates.h"

#include "resources/resource_ids.h"

namespace {

constexpr int slots = 16;

ExpectedControl label(const char* text, int x, int y, int width, int height, int id = IDC_STATIC)
{
    return {id, ControlKind::Label, text, x, y, width, height};
}

ExpectedControl meter(int id, int x, int y, int width, int height)
{
    return {id, ControlKind::ProgressBar, "", x, y, width, height};
}

ExpectedControl mute(int id, int x, int y, int height)
{
    return {id, ControlKind::PushLikeCheck, "Mute", x, y, 24, height, true, true};
}

ExpectedControl edit(int id, int x, int y, int width, int maxLength, bool digitsOnly, bool enabled = true)
{
    return {id, ControlKind::Edit, "", x, y, width, 12, enabled, true, maxLength, digitsOnly};
}

ExpectedControl button(int id, ControlKind kind, const char* text, int x, int y, int width, int height)
{
    return {id, kind, text, x, y, width, height, true, true};
}

// Name labels, meters and mute buttons of the sixteen slots; the name sits one unit lower.
void addSlotRows(std::vector<ExpectedControl>& controls, int nameX, int muteX, int meterX, int firstRowY)
{
    for (int slot = 0; slot < slots; ++slot) {
        controls.push_back(label("", nameX, firstRowY + 1 + 8 * slot, 64, 8, IDC_SLOT_NAME_BASE + slot));
    }
    for (int slot = 0; slot < slots; ++slot) {
        controls.push_back(meter(IDC_SLOT_METER_BASE + slot, meterX, firstRowY + 8 * slot, 78, 8));
    }
    for (int slot = 0; slot < slots; ++slot) {
        controls.push_back(mute(IDC_SLOT_MUTE_BASE + slot, muteX, firstRowY + 8 * slot, 8));
    }
}

ExpectedTemplate participantMain()
{
    ExpectedTemplate main{IDD_MAIN, "Dialog", 179, 177, {}};
    main.controls = {label("送信音量", 36, 9, 36, 8), meter(IDC_SEND_METER, 96, 6, 78, 12),
                     mute(IDC_SEND_MUTE, 72, 6, 12), mute(IDC_RECV_MUTE, 72, 30, 12)};
    addSlotRows(main.controls, 7, 72, 96, 42);
    main.controls.push_back(label("受信音量", 36, 33, 36, 8));
    return main;
}

ExpectedTemplate serverMain()
{
    ExpectedTemplate main{IDD_SERVER_MAIN, "Dialog", 179, 153, {}};
    main.controls = {mute(IDC_RECV_MUTE, 71, 6, 12)};
    addSlotRows(main.controls, 6, 71, 95, 18);
    main.controls.push_back(label("受信音量", 35, 9, 36, 8));
    return main;
}

std::vector<ExpectedControl> connectControls()
{
    ExpectedControl serverMode{
        IDC_SERVER_MODE, ControlKind::CheckBox, "自分がサーバーになる", 6, 66, 120, 12, true, true};
    ExpectedControl fixLocalPort{
        IDC_FIX_LOCAL_PORT, ControlKind::CheckBox, "ローカルポートを固定", 6, 78, 73, 12, true, true};
    return {label("表示名 : 15Bytesマデ", 6, 6, 126, 12),
            edit(IDC_NICKNAME, 6, 18, 120, 15, false),
            label("サーバーのアドレスとポート番号:", 6, 36, 120, 12),
            edit(IDC_REMOTE_HOST, 6, 48, 84, 255, false),
            edit(IDC_REMOTE_PORT, 96, 48, 30, 32767, true),
            serverMode,
            fixLocalPort,
            edit(IDC_LOCAL_PORT, 84, 78, 42, 32767, true, false),
            button(IDOK, ControlKind::DefaultPushButton, "OK", 18, 96, 50, 14),
            button(IDCANCEL, ControlKind::PushButton, "キャンセル", 78, 96, 50, 14)};
}

ExpectedTemplate serverConnect()
{
    const std::vector<ExpectedControl> connect = connectControls();
    ExpectedTemplate dialog{IDD_SERVER_CONNECT, "接続設定", 135, 117, {}};
    for (const int index : {4, 8, 9, 6, 5, 7, 3, 2, 1, 0}) {
        ExpectedControl control = connect[index];
        const bool usable =
            control.id == IDC_REMOTE_PORT || control.id == IDOK || control.id == IDCANCEL || control.id == IDC_STATIC;
        control.enabled = control.enabled && usable;
        dialog.controls.push_back(control);
    }
    return dialog;
}

}  // namespace

std::vector<ExpectedTemplate> expectedTemplates()
{
    return {participantMain(), {IDD_CONNECT, "接続設定", 135, 117, connectControls()}, serverMain(), serverConnect()};
}
