#include "shell/connect_dialog.h"

#include <cstring>

#include "platform/code_page.h"
#include "resources/resource_ids.h"

const ConnectDialogVariant PARTICIPANT_CONNECT_DIALOG{IDD_CONNECT, false};
const ConnectDialogVariant SERVER_CONNECT_DIALOG{IDD_SERVER_CONNECT, true};

namespace {

// A code page 932 byte comes from at most 3 bytes of UTF-8 and a '?' from at most 4, so this
// much of a box's text always fills a record field; the rest would be cut anyway.
constexpr size_t UTF8_BYTES_PER_RECORD_BYTE = 4;

// Reads a box into a record field, cut to the field without splitting a character. Returns how
// many characters code page 932 cannot hold.
template <size_t CAPACITY>
size_t readField(const DialogControls& controls, int controlId, char (&field)[CAPACITY])
{
    char utf8[CAPACITY * UTF8_BYTES_PER_RECORD_BYTE];
    size_t length = controls.text(controlId, utf8, sizeof(utf8));
    return utf8ToCp932(utf8, length, field, CAPACITY).replaced;
}

template <size_t CAPACITY>
void showField(const DialogControls& controls, int controlId, const char (&field)[CAPACITY])
{
    char utf8[CAPACITY * UTF8_BYTES_PER_RECORD_BYTE];
    cp932ToUtf8(field, strnlen(field, CAPACITY), utf8, sizeof(utf8));
    controls.showText(controlId, utf8);
}

// Ports travel through the boxes as unsigned numbers: a stored negative value shows as its
// 32-bit unsigned twin, and what a box yields is stored back bit for bit.
uint32_t asBoxNumber(int32_t value)
{
    return static_cast<uint32_t>(value);
}

int32_t asRecordNumber(uint32_t value)
{
    return static_cast<int32_t>(value);
}

}  // namespace

void ConnectDialog::prepare(ConnectSettings& live, const ConnectDialogVariant& variant)
{
    live_ = &live;
    cancelDisabled_ = variant.cancelDisabled;
}

void ConnectDialog::initialise(const DialogControls& controls)
{
    const ConnectSettings& live = *live_;
    showField(controls, IDC_NICKNAME, live.nickname);
    controls.limit(IDC_NICKNAME, NICKNAME_CHARACTERS);
    showField(controls, IDC_REMOTE_HOST, live.remoteHost);
    controls.limit(IDC_REMOTE_HOST, REMOTE_HOST_CHARACTERS);
    controls.showNumber(IDC_REMOTE_PORT, asBoxNumber(live.remotePort));
    if (live.localPort != 0) {
        controls.check(IDC_FIX_LOCAL_PORT, true);
        controls.enable(IDC_LOCAL_PORT, true);
        controls.showNumber(IDC_LOCAL_PORT, asBoxNumber(live.localPort));
    }
    // The host box keeps the stored host; only a click during the dialog puts the loopback in.
    if (live.serverMode != 0) {
        controls.check(IDC_SERVER_MODE, true);
        controls.enable(IDC_REMOTE_HOST, false);
    }
    if (cancelDisabled_)
        controls.enable(IDCANCEL, false);
}

bool ConnectDialog::command(const DialogControls& controls, int controlId)
{
    switch (controlId) {
    case IDOK:
        confirm(controls);
        return true;
    case IDCANCEL:
        controls.end(IDCANCEL);
        return true;
    case IDC_SERVER_MODE:
        serverModeClicked(controls);
        return true;
    case IDC_FIX_LOCAL_PORT:
        fixLocalPortClicked(controls);
        return true;
    default:
        return false;
    }
}

void ConnectDialog::serverModeClicked(const DialogControls& controls)
{
    if (controls.checked(IDC_SERVER_MODE)) {
        readField(controls, IDC_REMOTE_HOST, dialogSettings_.remoteHost);
        controls.showText(IDC_REMOTE_HOST, LOOPBACK_ADDRESS);
        controls.enable(IDC_REMOTE_HOST, false);
    } else {
        showField(controls, IDC_REMOTE_HOST, dialogSettings_.remoteHost);
        controls.enable(IDC_REMOTE_HOST, true);
    }
}

void ConnectDialog::fixLocalPortClicked(const DialogControls& controls)
{
    if (controls.checked(IDC_FIX_LOCAL_PORT)) {
        // The first time, the server port as loaded is the likeliest choice.
        int32_t shown = dialogSettings_.localPort != 0 ? dialogSettings_.localPort : live_->remotePort;
        controls.showNumber(IDC_LOCAL_PORT, asBoxNumber(shown));
        controls.enable(IDC_LOCAL_PORT, true);
    } else {
        // A box that holds no number forgets the port (number() gives 0).
        uint32_t port;
        controls.number(IDC_LOCAL_PORT, port);
        dialogSettings_.localPort = asRecordNumber(port);
        controls.enable(IDC_LOCAL_PORT, false);
    }
}

void ConnectDialog::confirm(const DialogControls& controls)
{
    // A character the record cannot hold would reach the others as '?': let the user fix it.
    if (readField(controls, IDC_NICKNAME, dialogSettings_.nickname) != 0) {
        controls.warning(TEXT_BAD_NICKNAME, CONNECT_WARNING_CAPTION);
        return;
    }
    if (readField(controls, IDC_REMOTE_HOST, dialogSettings_.remoteHost) != 0) {
        controls.warning(TEXT_BAD_REMOTE_HOST, CONNECT_WARNING_CAPTION);
        return;
    }

    uint32_t remotePort;
    bool remotePortRead = controls.number(IDC_REMOTE_PORT, remotePort);
    dialogSettings_.remotePort = asRecordNumber(remotePort);
    if (!remotePortRead || remotePort == 0 || remotePort > HIGHEST_PORT) {
        controls.warning(TEXT_BAD_SERVER_PORT, CONNECT_WARNING_CAPTION);
        return;
    }

    // A fixed local port of 0 passes: it means the system chooses, as when not fixed.
    uint32_t localPort = 0;
    bool localPortRead = true;
    if (controls.checked(IDC_FIX_LOCAL_PORT))
        localPortRead = controls.number(IDC_LOCAL_PORT, localPort);
    dialogSettings_.localPort = asRecordNumber(localPort);
    if (!localPortRead || localPort > HIGHEST_PORT) {
        controls.warning(TEXT_BAD_LOCAL_PORT, CONNECT_WARNING_CAPTION);
        return;
    }

    dialogSettings_.serverMode = controls.checked(IDC_SERVER_MODE) ? 1 : 0;
    *live_ = dialogSettings_;
    controls.end(IDOK);
}
