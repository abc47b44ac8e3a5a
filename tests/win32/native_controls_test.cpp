// The by-id control table over real controls, inside a modal dialog run over a template: what
// a procedure writes is what the controls show and what it reads back, and the run ends with
// the result the procedure or the dialog's default handling gives.

#include "conference/connect_settings.h"
#include "resources/resource_ids.h"
#include "resources/template_set.h"
#include "shell/connect_dialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "shell/windows/native_controls.h"
#include "shell/windows/native_dialog.h"

#include <commctrl.h>

namespace {

// A procedure whose steps are test code.
struct ScriptedProcedure : DialogProcedure {
    std::function<void(const DialogControls&)> onInitialise;
    std::function<bool(const DialogControls&, int)> onCommand = [](const DialogControls&, int) { return false; };

    void initialise(const DialogControls& controls) override { onInitialise(controls); }
    bool command(const DialogControls& controls, int controlId) override { return onCommand(controls, controlId); }
};

// The dialog window behind the controls made by the modal run.
HWND dialogWindow(const DialogControls& controls)
{
    return static_cast<const NativeControls&>(controls).window();
}

int runConnectDialog(ScriptedProcedure& script)
{
    return runNativeModalDialog(GetModuleHandleW(nullptr), connectTemplate, nullptr, script);
}

TEST(NativeControls, TextsRoundTripAsUtf8AndAreCutAtACharacterBoundary)
{
    std::string read;
    std::string cut;
    size_t cutLength = 0;
    std::string unknown = "untouched";
    ScriptedProcedure script;
    script.onInitialise = [&](const DialogControls& controls) {
        controls.showText(IDC_NICKNAME, "かな漢字abc");
        char text[64];
        controls.text(IDC_NICKNAME, text, sizeof(text));
        read = text;
        // Room for two bytes more than one three-byte character: the second is not split.
        char small[6];
        cutLength = controls.text(IDC_NICKNAME, small, sizeof(small));
        cut = small;
        char none[16] = "x";
        controls.text(12345, none, sizeof(none));
        unknown = none;
        controls.end(IDOK);
    };
    EXPECT_EQ(runConnectDialog(script), IDOK);
    EXPECT_EQ(read, "かな漢字abc");
    EXPECT_EQ(cut, "か");
    EXPECT_EQ(cutLength, 3u);
    EXPECT_EQ(unknown, "");
}

TEST(NativeControls, CheckEnableLimitAndNumbersReachTheRealControls)
{
    bool checkedAfterSet = false;
    bool enabledAfterSet = false;
    LRESULT limit = 0;
    uint32_t port = 0;
    bool portRead = false;
    ScriptedProcedure script;
    script.onInitialise = [&](const DialogControls& controls) {
        HWND window = dialogWindow(controls);
        controls.check(IDC_FIX_LOCAL_PORT, true);
        checkedAfterSet =
            IsDlgButtonChecked(window, IDC_FIX_LOCAL_PORT) == BST_CHECKED && controls.checked(IDC_FIX_LOCAL_PORT);
        controls.enable(IDC_LOCAL_PORT, true);
        enabledAfterSet = IsWindowEnabled(GetDlgItem(window, IDC_LOCAL_PORT)) != FALSE;
        controls.limit(IDC_NICKNAME, 15);
        limit = SendDlgItemMessageW(window, IDC_NICKNAME, EM_GETLIMITTEXT, 0, 0);
        controls.showNumber(IDC_REMOTE_PORT, 65535);
        portRead = controls.number(IDC_REMOTE_PORT, port);
        controls.end(IDCANCEL);
    };
    EXPECT_EQ(runConnectDialog(script), IDCANCEL);
    EXPECT_TRUE(checkedAfterSet);
    EXPECT_TRUE(enabledAfterSet);
    EXPECT_EQ(limit, 15);
    EXPECT_TRUE(portRead);
    EXPECT_EQ(port, 65535u);
}

TEST(NativeControls, CommandsTheProcedureLeavesAloneEndTheDialogOnOkAndCancel)
{
    std::vector<int> seen;
    ScriptedProcedure script;
    script.onInitialise = [](const DialogControls& controls) {
        PostMessageW(dialogWindow(controls), WM_COMMAND, MAKEWPARAM(IDC_SERVER_MODE, BN_CLICKED), 0);
        PostMessageW(dialogWindow(controls), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    };
    script.onCommand = [&](const DialogControls&, int controlId) {
        // The edit boxes report their focus changes too; those are commands by id as well.
        if (controlId != IDC_NICKNAME)
            seen.push_back(controlId);
        return false;
    };
    EXPECT_EQ(runConnectDialog(script), IDCANCEL);
    EXPECT_EQ(seen, (std::vector<int>{IDC_SERVER_MODE, IDCANCEL}));
}

// The shared connection dialog procedure over the real dialog: the boxes show the live record,
// and OK (a click on the default button) writes them back to it.
TEST(NativeControls, ConnectDialogProcedureFillsTheBoxesAndOkWritesTheRecordBack)
{
    ConnectSettings live{};
    std::strcpy(live.nickname, "taro");
    std::strcpy(live.remoteHost, "relay.example");
    live.remotePort = 9876;
    live.serverMode = 0;
    live.localPort = 5000;
    ConnectDialog dialog;
    dialog.prepare(live, PARTICIPANT_CONNECT_DIALOG);
    DialogProcedure& shared = dialog;

    std::wstring shownHost;
    ScriptedProcedure script;
    script.onInitialise = [&](const DialogControls& controls) {
        shared.initialise(controls);
        HWND window = dialogWindow(controls);
        wchar_t text[64];
        GetDlgItemTextW(window, IDC_REMOTE_HOST, text, 64);
        shownHost = text;
        SetDlgItemTextW(window, IDC_REMOTE_PORT, L"1234");
        PostMessageW(GetDlgItem(window, IDOK), BM_CLICK, 0, 0);
    };
    script.onCommand = [&](const DialogControls& controls, int controlId) {
        return shared.command(controls, controlId);
    };
    EXPECT_EQ(runConnectDialog(script), IDOK);
    EXPECT_EQ(shownHost, L"relay.example");
    EXPECT_STREQ(live.nickname, "taro");
    EXPECT_EQ(live.remotePort, 1234);
    EXPECT_EQ(live.localPort, 5000);
    EXPECT_EQ(live.serverMode, 0);
}

}  // namespace
