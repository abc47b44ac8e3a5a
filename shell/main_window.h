#pragma once
// The main window's procedure, the same in the participant program and the dedicated server:
// it restores and saves the window's position, starts the worker, runs the connect command
// (load the settings, run the connection dialog, save, hand the record to the worker), turns
// clicks on the mute buttons into worker commands, keeps the participant's voice-processing
// switches (menu checks, settings file, worker) and tells the worker when the window goes.
// It never touches a socket or a device; the worker updates the window through its own view.
// Threading: the main thread only.

#include <cstddef>
#include <cstdint>

#include "conference/connect_settings.h"
#include "conference/voice_processing_switches.h"
#include "shell/connect_dialog.h"
#include "shell/connect_settings_store.h"
#include "shell/dialog_controls.h"
#include "shell/settings_store.h"
#include "shell/window_placement.h"
#include "shell/worker_port.h"

// What the shell does for the window as a whole.
class MainWindowHost {
public:
    virtual void setTitle(const char* title) = 0;
    // Sets the check mark and the enabled state of the menu item with this command id.
    virtual void setMenuItemState(int commandId, bool checked, bool enabled) = 0;
    // Queues a message for MainWindow::handle behind those already queued; it is handled once
    // the window's message loop runs.
    virtual void postToSelf(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
    // Runs a dialog over the template modally, owned by the main window; returns its result.
    virtual int runDialog(int templateId, DialogProcedure& procedure) = 0;
    virtual DesktopRect windowRect() const = 0;
    // Moves the window's top-left corner; its size stays.
    virtual void moveWindow(int32_t left, int32_t top) = 0;
    // The screens' rectangles, the primary first; returns how many were stored.
    virtual size_t screens(DesktopRect* rects, size_t capacity) const = 0;
    // Destroys the window; the shell then hands WM_DESTROY to MainWindow::handle, as it does
    // when the close box destroys it.
    virtual void destroyWindow() = 0;
    // Ends the message loop; the program then returns exitCode.
    virtual void quit(int exitCode) = 0;

protected:
    ~MainWindowHost() = default;
};

// What differs between the two programs' main windows.
struct MainWindowVariant {
    int templateId;
    const char* title;
    // The own-voice meter and the voice-processing switches exist only where there is a microphone.
    bool hasMicrophone;
    ConnectDialogVariant connectDialog;
    void (*loadSettings)(const SettingsStore& store, ConnectSettings& settings);
    void (*saveSettings)(const SettingsStore& store, const ConnectSettings& settings);
};

extern const MainWindowVariant PARTICIPANT_MAIN_WINDOW;
extern const MainWindowVariant SERVER_MAIN_WINDOW;

class MainWindow {
public:
    // `settingsPath` names the settings file; nullptr for the program's own (beside it). The
    // host, the controls and the worker must outlive the window.
    MainWindow(const MainWindowVariant& variant, MainWindowHost& host, const DialogControls& controls,
               WorkerPort& worker, const char* settingsPath = nullptr);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Window creation, before the controls exist: title, settings, position, the voice-processing
    // menu items, and the worker's start and the connect command queued in that order. The
    // worker is handed the voice-processing switches as soon as it starts.
    void create();
    // WM_WORKER_START, WM_COMMAND (command id in the low 16 bits of wParam) and WM_DESTROY.
    // False for every other message, which the shell handles its own way; after WM_DESTROY
    // nothing more is handled.
    bool handle(uint32_t message, uintptr_t wParam, intptr_t lParam);

    // The record the worker was handed by address; it lives as long as the window.
    const ConnectSettings& liveSettings() const { return live_; }

private:
    void startWorker();
    bool command(int commandId);
    void postMute(uint32_t workerCommand, int index, int controlId);
    void showVoiceProcessing();
    void toggleVoiceProcessing(const VoiceProcessingKey& key);
    void postVoiceProcessing();
    void connect();
    void destroy();
    void postToWorker(uint32_t message, uintptr_t wParam, intptr_t lParam);

    MainWindowVariant variant_;
    MainWindowHost& host_;
    const DialogControls& controls_;
    WorkerPort& worker_;
    const char* settingsPath_;
    SettingsStore store_{};
    ConnectSettings live_{};
    VoiceProcessingSwitches voiceProcessing_{};
    ConnectDialog connectDialog_;
    bool workerStarted_ = false;
    bool destroyed_ = false;
};
