// The connection settings dialog (IDD_CONNECT) and its variant for the dedicated relay server
// (IDD_SERVER_CONNECT): the same controls, reordered so that the focus starts in the server
// port box, and with everything but the server port, OK and Cancel disabled.

#include "resources/resource_ids.h"
#include "resources/template_controls.h"
#include "resources/template_set.h"

namespace {

// The controls of IDD_CONNECT in its tab order.
enum ConnectControl : std::size_t {
    NicknameLabel,
    Nickname,
    AddressLabel,
    RemoteHost,
    RemotePort,
    ServerMode,
    FixLocalPort,
    LocalPort,
    OkButton,
    CancelButton,
    ConnectControlCount,
};

constexpr unsigned nameStyle = StyleTabStop | StyleHorizontalScroll;
constexpr unsigned portStyle = StyleTabStop | StyleDigitsOnly;

constexpr std::array<DialogControl, ConnectControlCount> connectControls = {
    makeControl(IDC_STATIC, ControlKind::Label, "表示名 : 15Bytesマデ", 6, 6, 126, 12),
    makeControl(IDC_NICKNAME, ControlKind::Edit, "", 6, 18, 120, 12, nameStyle, 15),
    makeControl(IDC_STATIC, ControlKind::Label, "サーバーのアドレスとポート番号:", 6, 36, 120, 12),
    makeControl(IDC_REMOTE_HOST, ControlKind::Edit, "", 6, 48, 84, 12, nameStyle, 255),
    makeControl(IDC_REMOTE_PORT, ControlKind::Edit, "", 96, 48, 30, 12, portStyle),
    makeControl(IDC_SERVER_MODE, ControlKind::CheckBox, "自分がサーバーになる", 6, 66, 120, 12,
                StyleTabStop | StyleTextLeftTop),
    makeControl(IDC_FIX_LOCAL_PORT, ControlKind::CheckBox, "ローカルポートを固定", 6, 78, 73, 12, StyleTabStop),
    makeControl(IDC_LOCAL_PORT, ControlKind::Edit, "", 84, 78, 42, 12, portStyle | StyleDisabled),
    makeControl(IDOK, ControlKind::DefaultPushButton, "OK", 18, 96, 50, 14, StyleTabStop),
    makeControl(IDCANCEL, ControlKind::PushButton, "キャンセル", 78, 96, 50, 14, StyleTabStop),
};
static_assert(everyControlSet(connectControls));

constexpr ConnectControl serverConnectOrder[] = {
    RemotePort, OkButton,   CancelButton, FixLocalPort, ServerMode,
    LocalPort,  RemoteHost, AddressLabel, Nickname,     NicknameLabel,
};
static_assert(std::size(serverConnectOrder) == ConnectControlCount);

constexpr ConnectControl serverConnectDisabled[] = {Nickname, RemoteHost, ServerMode, FixLocalPort, LocalPort};

constexpr auto serverConnectControls = [] {
    std::array<DialogControl, ConnectControlCount> controls{};
    std::size_t next = 0;
    for (const ConnectControl which : serverConnectOrder) {
        DialogControl control = connectControls[which];
        for (const ConnectControl disabled : serverConnectDisabled) {
            if (disabled == which) {
                control.style = static_cast<std::uint16_t>(control.style | StyleDisabled);
            }
        }
        controls[next++] = control;
    }
    return controls;
}();

constexpr DialogTemplate connectDialogTemplate(int resourceId, const DialogControl* controls)
{
    return {resourceId, DialogFrame::ModalDialog, "接続設定", 135, 117, "MS UI Gothic", 9, nullptr, 0,
            controls,   ConnectControlCount};
}

}  // namespace

constinit const DialogTemplate connectTemplate = connectDialogTemplate(IDD_CONNECT, connectControls.data());
constinit const DialogTemplate serverConnectTemplate =
    connectDialogTemplate(IDD_SERVER_CONNECT, serverConnectControls.data());
