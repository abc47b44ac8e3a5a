#include "shell/windows/native_template.h"

#include <cstring>
#include <cwchar>

#include "shell/windows/wide_text.h"

#include <windows.h>

#include <commctrl.h>

namespace {

// Room for the longest text of a template; a longer one is cut.
constexpr int TEXT_CAPACITY = 256;
// The extended template's version and signature words.
constexpr std::uint16_t TEMPLATE_VERSION = 1;
constexpr std::uint16_t EXTENDED_SIGNATURE = 0xFFFF;
// The texts are Japanese; Windows picks the font by name and size, the charset is a hint.
constexpr std::uint8_t TEMPLATE_CHARSET = SHIFTJIS_CHARSET;

class TemplateWriter {
public:
    explicit TemplateWriter(NativeTemplate& native) : native_(native) { native_.size = 0; }

    bool failed() const { return failed_; }

    void word(std::uint16_t value) { put(&value, sizeof(value)); }
    void dword(std::uint32_t value) { put(&value, sizeof(value)); }
    void byte(std::uint8_t value) { put(&value, sizeof(value)); }

    // A zero-terminated UTF-16 string.
    void text(const char* utf8)
    {
        wchar_t wide[TEXT_CAPACITY];
        toWideText(utf8, wide, TEXT_CAPACITY);
        text(wide);
    }
    void text(const wchar_t* wide) { put(wide, (std::wcslen(wide) + 1) * sizeof(wchar_t)); }

    // Each control entry starts on a 4-byte boundary.
    void alignToDword()
    {
        while (!failed_ && native_.size % 4 != 0)
            byte(0);
    }

private:
    void put(const void* data, size_t length)
    {
        if (failed_ || native_.size + length > NativeTemplate::CAPACITY) {
            failed_ = true;
            return;
        }
        std::memcpy(native_.bytes + native_.size, data, length);
        native_.size += length;
    }

    NativeTemplate& native_;
    bool failed_ = false;
};

std::uint32_t buttonStyle(const DialogControl& control)
{
    switch (control.kind) {
    case ControlKind::CheckBox:
        return BS_AUTOCHECKBOX;
    case ControlKind::PushLikeCheck:
        return BS_AUTOCHECKBOX | BS_PUSHLIKE;
    case ControlKind::DefaultPushButton:
        return BS_DEFPUSHBUTTON;
    default:
        return BS_PUSHBUTTON;
    }
}

void writeControl(TemplateWriter& writer, const DialogControl& control)
{
    const NativeControlStyle native = nativeControlStyle(control);
    writer.alignToDword();
    writer.dword(0);  // help id
    writer.dword(native.extendedStyle);
    writer.dword(native.style);
    writer.word(static_cast<std::uint16_t>(control.x));
    writer.word(static_cast<std::uint16_t>(control.y));
    writer.word(static_cast<std::uint16_t>(control.width));
    writer.word(static_cast<std::uint16_t>(control.height));
    writer.dword(static_cast<std::uint32_t>(control.id));
    writer.text(native.className);
    writer.text(control.text);
    writer.word(0);  // no creation data
}

}  // namespace

NativeControlStyle nativeControlStyle(const DialogControl& control)
{
    NativeControlStyle native{WC_BUTTONW, WS_CHILD | WS_VISIBLE, 0};
    switch (control.kind) {
    case ControlKind::Label:
        native.className = WC_STATICW;
        native.style |= SS_LEFT;
        break;
    case ControlKind::Edit:
        native.className = WC_EDITW;
        native.style |= ES_LEFT | WS_BORDER;
        if (control.style & StyleHorizontalScroll)
            native.style |= ES_AUTOHSCROLL;
        if (control.style & StyleDigitsOnly)
            native.style |= ES_NUMBER;
        break;
    case ControlKind::ProgressBar:
        native.className = PROGRESS_CLASSW;
        native.style |= WS_BORDER;
        if (control.style & StyleSmooth)
            native.style |= PBS_SMOOTH;
        break;
    case ControlKind::CheckBox:
    case ControlKind::PushLikeCheck:
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton:
        native.style |= buttonStyle(control);
        if (control.style & StyleTextLeftTop)
            native.style |= BS_LEFT | BS_TOP;
        break;
    }
    if (control.style & StyleTabStop)
        native.style |= WS_TABSTOP;
    if (control.style & StyleDisabled)
        native.style |= WS_DISABLED;
    return native;
}

std::uint32_t nativeDialogStyle(DialogFrame frame)
{
    constexpr std::uint32_t common = WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_3DLOOK | DS_SETFONT;
    if (frame == DialogFrame::MainWindow)
        return common | WS_OVERLAPPED | WS_MINIMIZEBOX;
    return common | WS_POPUP;
}

std::uint32_t nativeDialogExtendedStyle(DialogFrame frame)
{
    return frame == DialogFrame::MainWindow ? WS_EX_APPWINDOW : 0;
}

int buildNativeTemplate(const DialogTemplate& dialog, NativeTemplate& native)
{
    TemplateWriter writer(native);
    writer.word(TEMPLATE_VERSION);
    writer.word(EXTENDED_SIGNATURE);
    writer.dword(0);  // help id
    writer.dword(nativeDialogExtendedStyle(dialog.frame));
    writer.dword(nativeDialogStyle(dialog.frame));
    writer.word(static_cast<std::uint16_t>(dialog.controlCount));
    writer.word(0);  // x and y: the creator places the window
    writer.word(0);
    writer.word(static_cast<std::uint16_t>(dialog.width));
    writer.word(static_cast<std::uint16_t>(dialog.height));
    writer.word(0);  // no menu resource
    if (dialog.windowClass != nullptr)
        writer.text(dialog.windowClass);
    else
        writer.word(0);  // the dialog class
    writer.text(dialog.title);
    writer.word(static_cast<std::uint16_t>(dialog.fontPointSize));
    writer.word(FW_NORMAL);
    writer.byte(0);  // not italic
    writer.byte(TEMPLATE_CHARSET);
    writer.text(dialog.fontName);
    for (int index = 0; index < dialog.controlCount; ++index)
        writeControl(writer, dialog.controls[index]);
    if (writer.failed()) {
        native.size = 0;
        return -1;
    }
    return 0;
}
