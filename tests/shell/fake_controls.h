#pragma once
// Test helper: controls reached by id, held in a table, behind the DialogControls interface;
// and the controls of the program's templates in the state their templates give them.

#include <map>
#include <string>
#include <vector>

#include "shell/connect_dialog.h"
#include "shell/dialog_controls.h"

struct FakeControl {
    std::string text;
    bool checkable = false;
    bool checked = false;
    bool enabled = true;
    int limit = 0;
    int rangeMinimum = -1;
    int rangeMaximum = -1;
};

struct FakeWarning {
    std::string text;
    std::string caption;
};

class FakeControls {
public:
    static constexpr int NOT_ENDED = -1;

    void add(int controlId, bool checkable = false, bool enabled = true);
    // The control with this id; an unknown id fails the test.
    FakeControl& operator[](int controlId);
    DialogControls table();

    // What a user's click does before the window hears of it: a check box toggles. Clicking a
    // disabled control fails the test.
    void click(int controlId);
    // A click delivered to a dialog procedure.
    void click(int controlId, const DialogProcedure& procedure);

    std::vector<FakeWarning> warnings;
    int endResult = NOT_ENDED;

private:
    std::map<int, FakeControl> controls_;
    FakeControl unknown_;
};

// The connection dialog's controls over template IDD_CONNECT or IDD_SERVER_CONNECT.
FakeControls connectDialogControls(int templateId);
// The main window's mute buttons and meters; the own-voice row only where it exists.
FakeControls mainWindowControls(bool hasSendRow);
