#include "shell/main_window.h"

#include <iterator>

#include "audio/voice_processor.h"
#include "codec/adpcm_codec.h"
#include "conference/worker_events.h"
#include "net/wire_protocol.h"
#include "platform/event_loop.h"
#include "resources/resource_ids.h"
#include "shell/connect_settings_store.h"

namespace {

// More screens than any desk holds; further ones are not looked at.
constexpr size_t SCREEN_CAPACITY = 16;

// The menu items of the voice-processing switches, in the order of VOICE_PROCESSING_KEYS.
constexpr int VOICE_PROCESSING_COMMANDS[] = {IDM_ECHO_CANCEL, IDM_NOISE_SUPPRESSION, IDM_AUTO_GAIN};
static_assert(std::size(VOICE_PROCESSING_COMMANDS) == std::size(VOICE_PROCESSING_KEYS));

intptr_t muteArgument(bool checked, int index)
{
    return static_cast<intptr_t>((checked ? 1u : 0u) << 16 | static_cast<uint32_t>(index));
}

}  // namespace

const MainWindowVariant PARTICIPANT_MAIN_WINDOW{
    IDD_MAIN,
    "Kovaro",
    true,
    PARTICIPANT_CONNECT_DIALOG,
    [](const SettingsStore& store, ConnectSettings& settings) { loadConnectSettings(store, settings); },
    [](const SettingsStore& store, const ConnectSettings& settings) { saveConnectSettings(store, settings); }};
const MainWindowVariant SERVER_MAIN_WINDOW{IDD_SERVER_MAIN,       "Kovaro SERVER",           false,
                                           SERVER_CONNECT_DIALOG, loadServerConnectSettings, saveServerConnectSettings};

MainWindow::MainWindow(const MainWindowVariant& variant, MainWindowHost& host, const DialogControls& controls,
                       WorkerPort& worker, const char* settingsPath)
    : variant_(variant), host_(host), controls_(controls), worker_(worker), settingsPath_(settingsPath)
{
}

void MainWindow::create()
{
    host_.setTitle(variant_.title);
    // Without a usable settings path every read gives its default and writes fail unnoticed,
    // as with a read-only folder.
    if (settingsPath_)
        store_.open(settingsPath_, SETTINGS_SECTION);
    else
        openProgramSettings(store_);

    DesktopRect frame = host_.windowRect();
    DesktopRect screens[SCREEN_CAPACITY];
    size_t screenCount = host_.screens(screens, std::size(screens));
    WindowPosition position = placeWindow(loadWindowPosition(store_), frame.right - frame.left,
                                          frame.bottom - frame.top, screens, screenCount);
    host_.moveWindow(position.left, position.top);

    if (variant_.hasMicrophone) {
        voiceProcessing_ = loadVoiceProcessingSwitches(store_);
        showVoiceProcessing();
    }

    host_.postToSelf(WM_WORKER_START, 0, 0);
    host_.postToSelf(WM_COMMAND, IDM_CONNECT, 0);
}

bool MainWindow::handle(uint32_t message, uintptr_t wParam, intptr_t)
{
    if (destroyed_)
        return false;
    switch (message) {
    case WM_WORKER_START:
        startWorker();
        return true;
    case WM_COMMAND:
        return command(static_cast<int>(wParam & 0xFFFFu));
    case WM_DESTROY:
        destroy();
        return true;
    default:
        return false;
    }
}

void MainWindow::startWorker()
{
    if (workerStarted_)
        return;
    for (int slot = 0; slot < static_cast<int>(SLOT_COUNT); ++slot)
        controls_.range(IDC_SLOT_METER_BASE + slot, 0, METER_FULL_SCALE);
    if (variant_.hasMicrophone)
        controls_.range(IDC_SEND_METER, 0, METER_FULL_SCALE);
    worker_.start();
    workerStarted_ = true;
    if (variant_.hasMicrophone && VoiceProcessor::isAvailable())
        postVoiceProcessing();
}

bool MainWindow::command(int commandId)
{
    if (commandId == IDC_RECV_MUTE || (commandId == IDC_SEND_MUTE && variant_.hasMicrophone)) {
        postMute(CMD_MUTE_MASTER, commandId - IDC_RECV_MUTE, commandId);
        return true;
    }
    if (commandId >= IDC_SLOT_MUTE_BASE && commandId < IDC_SLOT_MUTE_BASE + static_cast<int>(SLOT_COUNT)) {
        postMute(CMD_MUTE_SLOT, commandId - IDC_SLOT_MUTE_BASE, commandId);
        return true;
    }
    for (size_t index = 0; index < std::size(VOICE_PROCESSING_COMMANDS); ++index) {
        if (commandId == VOICE_PROCESSING_COMMANDS[index] && variant_.hasMicrophone && VoiceProcessor::isAvailable()) {
            toggleVoiceProcessing(VOICE_PROCESSING_KEYS[index]);
            return true;
        }
    }
    switch (commandId) {
    case IDM_EXIT:
        host_.destroyWindow();
        return true;
    case IDM_CONNECT:
        connect();
        return true;
    default:
        return false;
    }
}

void MainWindow::postMute(uint32_t workerCommand, int index, int controlId)
{
    postToWorker(WM_COMMAND, workerCommand, muteArgument(controls_.checked(controlId), index));
}

void MainWindow::showVoiceProcessing()
{
    // Where the processing does not run the saved switches are shown as they are, greyed, and
    // nothing here writes them, so the file keeps what a build that runs it saved.
    for (size_t index = 0; index < std::size(VOICE_PROCESSING_COMMANDS); ++index)
        host_.setMenuItemState(VOICE_PROCESSING_COMMANDS[index], voiceProcessing_.*VOICE_PROCESSING_KEYS[index].which,
                               VoiceProcessor::isAvailable());
}

void MainWindow::toggleVoiceProcessing(const VoiceProcessingKey& key)
{
    voiceProcessing_.*key.which = !(voiceProcessing_.*key.which);
    showVoiceProcessing();
    saveVoiceProcessingSwitch(store_, key, voiceProcessing_);
    postVoiceProcessing();
}

void MainWindow::postVoiceProcessing()
{
    postToWorker(WM_COMMAND, CMD_VOICE_PROCESSING, packSwitches(voiceProcessing_));
}

void MainWindow::connect()
{
    variant_.loadSettings(store_, live_);
    connectDialog_.prepare(live_, variant_.connectDialog);
    int result = host_.runDialog(variant_.connectDialog.templateId, connectDialog_);
    // Any other end, Escape or the close box included, leaves the file and the connection as they were.
    if (result != IDOK)
        return;
    variant_.saveSettings(store_, live_);
    postToWorker(WM_WORKER_CONNECT, 0, reinterpret_cast<intptr_t>(&live_));
}

void MainWindow::destroy()
{
    destroyed_ = true;
    DesktopRect frame = host_.windowRect();
    saveWindowPosition(store_, WindowPosition{frame.left, frame.top});
    if (workerStarted_)
        worker_.shutdown();
    host_.quit(0);
}

void MainWindow::postToWorker(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    // The start is the first message the window handles, so nothing is lost here in practice;
    // a worker that does not run yet has no queue to post to.
    if (workerStarted_)
        worker_.post(message, wParam, lParam);
}
