#pragma once
// What a window procedure may do to the controls of its own window, reaching each by its id: a
// table of operations supplied by the shell (Qt widgets, native dialogs, or fakes in tests).
// Every text is UTF-8. Numbers in boxes are read and written here, over the texts, so every
// shell reads them by the same rule.
// Threading: the window's own thread only.

#include <cstddef>
#include <cstdint>

struct DialogControls {
    void* context = nullptr;
    // Copies the control's text, zero-terminated, cut to at most capacity-1 bytes at a character
    // boundary. Returns the length copied.
    size_t (*getText)(void* context, int controlId, char* text, size_t capacity) = nullptr;
    void (*setText)(void* context, int controlId, const char* text) = nullptr;
    // State of a check box or push-like check button (after the click that reports it).
    bool (*isChecked)(void* context, int controlId) = nullptr;
    void (*setChecked)(void* context, int controlId, bool checked) = nullptr;
    void (*setEnabled)(void* context, int controlId, bool enabled) = nullptr;
    // The most characters the user may type into an edit box.
    void (*setLimit)(void* context, int controlId, int characters) = nullptr;
    // Range of a level meter.
    void (*setRange)(void* context, int controlId, int minimum, int maximum) = nullptr;
    // A box owned by this window, with a warning icon and an OK button only; returns once closed.
    void (*showWarning)(void* context, const char* text, const char* caption) = nullptr;
    // Ends the modal run of this dialog; the run returns `result`.
    void (*endDialog)(void* context, int result) = nullptr;

    size_t text(int controlId, char* out, size_t capacity) const { return getText(context, controlId, out, capacity); }
    void showText(int controlId, const char* text) const { setText(context, controlId, text); }
    bool checked(int controlId) const { return isChecked(context, controlId); }
    void check(int controlId, bool checkedState) const { setChecked(context, controlId, checkedState); }
    void enable(int controlId, bool enabled) const { setEnabled(context, controlId, enabled); }
    void limit(int controlId, int characters) const { setLimit(context, controlId, characters); }
    void range(int controlId, int minimum, int maximum) const { setRange(context, controlId, minimum, maximum); }
    void warning(const char* text, const char* caption) const { showWarning(context, text, caption); }
    void end(int result) const { endDialog(context, result); }

    // The box's unsigned decimal number. False, with `value` 0, when it holds none: empty,
    // anything but digits (spaces around them aside), or a number beyond 32 bits.
    bool number(int controlId, uint32_t& value) const;
    void showNumber(int controlId, uint32_t value) const;
};

// The rule of `DialogControls::number` on a text; `value` is left alone when it fails.
bool parseDialogNumber(const char* text, uint32_t& value);

// A modal dialog's procedure as the shell drives it: once initialise, when its controls exist;
// then command for each click of a button or check box, the check box already toggled. The
// Escape key and the close box deliver IDCANCEL.
struct DialogProcedure {
    void* context = nullptr;
    void (*initialise)(void* context, const DialogControls& controls) = nullptr;
    // True when the procedure handled the command; otherwise the shell's default handling applies.
    bool (*command)(void* context, const DialogControls& controls, int controlId) = nullptr;
};
