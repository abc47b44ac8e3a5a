#pragma once
// Ids of the one resource set both programs share: templates, menu, accelerators, icon and the
// controls of the dialogs. The main window's control ids that the worker updates live beside the
// worker's other ids and are repeated here by inclusion, so each id has one definition.

#include "resources/control_ids.h"

constexpr int IDR_MAINMENU = 101;
constexpr int IDD_MAIN = 102;
constexpr int IDI_APP = 103;
constexpr int IDD_CONNECT = 104;
constexpr int IDD_SERVER_MAIN = 105;
constexpr int IDR_ACCEL = 105;
constexpr int IDD_SERVER_CONNECT = 106;
// The participant's menu: IDR_MAINMENU's popup and the voice-processing popup beside it.
constexpr int IDR_PARTICIPANT_MENU = 107;

constexpr int IDM_EXIT = 40001;
constexpr int IDM_CONNECT = 40004;
constexpr int IDM_ECHO_CANCEL = 40005;
constexpr int IDM_NOISE_SUPPRESSION = 40006;
constexpr int IDM_AUTO_GAIN = 40007;

// Dialog results and the buttons that give them, IDOK (1) and IDCANCEL (2): the system's own
// where it has them (resources/windows or resources/linux).
#include "dialog_results.h"

// Connection dialog controls.
constexpr int IDC_REMOTE_HOST = 1021;
constexpr int IDC_SERVER_MODE = 1022;
constexpr int IDC_REMOTE_PORT = 1023;
constexpr int IDC_NICKNAME = 1024;
constexpr int IDC_LOCAL_PORT = 1025;
constexpr int IDC_FIX_LOCAL_PORT = 1026;

// Controls without an id (the static labels).
constexpr int IDC_STATIC = -1;
