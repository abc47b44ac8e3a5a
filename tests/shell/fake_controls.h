#pragma once
// Test helper: controls reached by id, held in a map, behind the DialogControls interface;
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

// The interface's calls are const, as they are over a real window's controls; what they change
// here is therefore mutable.
class FakeControls : public DialogControls {
public:
    static constexpr int NOT_ENDED = -1;

    void add(int controlId, bool checkable = false, bool enabled = true);
    // The control with this id; an unknown id fails the test.
    FakeControl& operator[](int controlId) const;

    // What a user's click does before the window hears of it: a check box toggles. Clicking a
    // disabled control fails the test.
    void click(int controlId);
    // A click delivered to a dialog procedure.
    void click(int controlId, DialogProcedure& procedure);

    size_t text(int controlId, char* out, size_t capacity) const override;
    void showText(int controlId, const char* text) const override;
    bool checked(int controlId) const override;
    void check(int controlId, bool checkedState) const override;
    void enable(int controlId, bool enabled) const override;
    void limit(int controlId, int characters) const override;
    void range(int controlId, int minimum, int maximum) const override;
    void warning(const char* text, const char* caption) const override;
    void end(int result) const override;

    mutable std::vector<FakeWarning> warnings;
    mutable int endResult = NOT_ENDED;

private:
    mutable std::map<int, FakeControl> controls_;
    mutable FakeControl unknown_;
};

// The connection dialog's controls over template IDD_CONNECT or IDD_SERVER_CONNECT.
FakeControls connectDialogControls(int templateId);
// The main window's mute buttons and meters; the own-voice row only where it exists.
FakeControls mainWindowControls(bool hasSendRow);
