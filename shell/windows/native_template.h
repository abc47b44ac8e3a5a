#pragma once
// A dialog template of the resource set as the in-memory extended dialog template
// (DLGTEMPLATEEX with its DLGITEMTEMPLATEEX entries) that the Windows dialog functions take:
// the same ids, UTF-16 texts, positions in dialog units, styles, font and window class. The
// menu is left out of the template, since the resource set holds it as data rather than as a
// module resource; the window's creator attaches it (buildMenu).

#include <cstddef>
#include <cstdint>

#include "resources/dialog_template.h"

struct NativeTemplate {
    // The largest template (53 controls with their texts) takes about 4 KB.
    static constexpr size_t CAPACITY = 8192;

    alignas(4) std::uint8_t bytes[CAPACITY];
    size_t size = 0;
};

// The window styles of a control, as its template entry asks for them.
struct NativeControlStyle {
    const wchar_t* className;  // a predefined class name, or the common control's class
    std::uint32_t style;
    std::uint32_t extendedStyle;
};

NativeControlStyle nativeControlStyle(const DialogControl& control);
std::uint32_t nativeDialogStyle(DialogFrame frame);
std::uint32_t nativeDialogExtendedStyle(DialogFrame frame);

// Returns 0, or -1 when the template does not fit (then `native` holds nothing usable).
int buildNativeTemplate(const DialogTemplate& dialog, NativeTemplate& native);
