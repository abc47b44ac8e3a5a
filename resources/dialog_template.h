#pragma once
// Dialog templates as plain data: what a window system needs to build the windows of both
// programs (a toolkit's widgets here, real dialog templates in a native shell). Positions and
// sizes are in dialog units; texts are UTF-8.

#include <cstdint>

enum class ControlKind : std::uint8_t {
    Label,          // static text
    Edit,           // single-line edit box
    CheckBox,       // automatic check box
    PushLikeCheck,  // automatic check box drawn as a toggle button
    PushButton,
    DefaultPushButton,  // the button that Enter presses
    ProgressBar,
};

// Style flags of a control, beyond what its kind says.
enum ControlStyle : std::uint16_t {
    StyleNone = 0,
    StyleTabStop = 1 << 0,
    StyleDisabled = 1 << 1,
    StyleDigitsOnly = 1 << 2,        // edit box that takes only digits as typed input
    StyleHorizontalScroll = 1 << 3,  // edit box that scrolls instead of stopping at its width
    StyleTextLeftTop = 1 << 4,       // text aligned to the left and top of the control
    StyleSmooth = 1 << 5,            // progress bar drawn as one continuous bar
};

struct DialogControl {
    int id = 0;  // IDC_STATIC for labels that nothing addresses
    ControlKind kind = ControlKind::Label;
    const char* text = "";
    std::int16_t x = 0;
    std::int16_t y = 0;
    std::int16_t width = 0;
    std::int16_t height = 0;
    std::uint16_t style = StyleNone;
    std::uint16_t textLimit = 0;  // edit boxes: most characters that can be typed, 0 for no limit of ours
};

enum class DialogFrame : std::uint8_t {
    MainWindow,   // overlapped, caption, system menu, minimise box, fixed size, in the task bar
    ModalDialog,  // caption and close box, owned by the main window
};

struct DialogTemplate {
    int resourceId = 0;
    DialogFrame frame = DialogFrame::ModalDialog;
    const char* title = "";
    std::int16_t width = 0;
    std::int16_t height = 0;
    const char* fontName = "";
    int fontPointSize = 0;
    const char* windowClass = nullptr;  // nullptr: the platform's dialog class
    int menuId = 0;                     // 0: no menu
    const DialogControl* controls = nullptr;
    int controlCount = 0;  // in template order, which is the tab order
};

// The template with this resource id, or nullptr.
const DialogTemplate* findDialogTemplate(int resourceId);
