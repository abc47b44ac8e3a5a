#pragma once
// The templates of both programs, each defined in the file of its window; findDialogTemplate
// looks them up by resource id.

#include "resources/dialog_template.h"

extern const DialogTemplate participantMainTemplate;  // IDD_MAIN
extern const DialogTemplate connectTemplate;          // IDD_CONNECT
extern const DialogTemplate serverMainTemplate;       // IDD_SERVER_MAIN
extern const DialogTemplate serverConnectTemplate;    // IDD_SERVER_CONNECT
