#pragma once
// The connection settings dialog's procedure. It fills the boxes from the live record, swaps
// the host for the loopback address while server mode is checked, remembers a fixed local port
// while it is unchecked, and on OK checks the nickname and both ports before it copies
// everything over the live record in one step.
// One ConnectDialog lives as long as the program: its working copy carries the host saved by a
// server mode click and the unfixed local port from one dialog to the next.
// Threading: the main thread only.

#include "conference/connect_settings.h"
#include "shell/dialog_controls.h"

// The template a program runs the dialog over, and whether its Cancel button can be used
// (the dedicated server's template leaves only the server port and OK).
struct ConnectDialogVariant {
    int templateId;
    bool cancelDisabled;
};

extern const ConnectDialogVariant PARTICIPANT_CONNECT_DIALOG;
extern const ConnectDialogVariant SERVER_CONNECT_DIALOG;

constexpr char CONNECT_WARNING_CAPTION[] = "？";
constexpr char TEXT_BAD_SERVER_PORT[] = "サーバのポートが変？\n 1-65535で指定ω";
constexpr char TEXT_BAD_LOCAL_PORT[] = "ローカルポートが変？\n 1-65535で指定ω";
constexpr char TEXT_BAD_NICKNAME[] = "表示名に使えない文字があります。";
constexpr char TEXT_BAD_REMOTE_HOST[] = "サーバのアドレスに使えない文字があります。";
constexpr char LOOPBACK_ADDRESS[] = "127.0.0.1";
constexpr int NICKNAME_CHARACTERS = 15;
constexpr int REMOTE_HOST_CHARACTERS = 255;
constexpr uint32_t HIGHEST_PORT = 65535;

// The procedure the shell runs modally over the variant's template.
class ConnectDialog : public DialogProcedure {
public:
    // Binds the next run to the record it shows and, on OK, overwrites. The record must outlive it.
    void prepare(ConnectSettings& live, const ConnectDialogVariant& variant);

    void initialise(const DialogControls& controls) override;
    bool command(const DialogControls& controls, int controlId) override;

private:
    void serverModeClicked(const DialogControls& controls);
    void fixLocalPortClicked(const DialogControls& controls);
    void confirm(const DialogControls& controls);

    ConnectSettings dialogSettings_{};
    ConnectSettings* live_ = nullptr;
    bool cancelDisabled_ = false;
};
