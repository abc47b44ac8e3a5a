#pragma once
// What a window procedure may do to the controls of its own window, reaching each by its id: an
// interface implemented by the shell (Qt widgets, native dialogs, or fakes in tests).
// Every text is UTF-8. Numbers in boxes are read and written here, over the texts, so every
// shell reads them by the same rule.
// Threading: the window's own thread only.

#include <cstddef>
#include <cstdint>

class DialogControls {
public:
    // Copies the control's text, zero-terminated, cut to at most capacity-1 bytes at a character
    // boundary. Returns the length copied.
    virtual size_t text(int controlId, char* out, size_t capacity) const = 0;
    virtual void showText(int controlId, const char* text) const = 0;
    // State of a check box or push-like check button (after the click that reports it).
    virtual bool checked(int controlId) const = 0;
    virtual void check(int controlId, bool checkedState) const = 0;
    virtual void enable(int controlId, bool enabled) const = 0;
    // The most characters the user may type into an edit box.
    virtual void limit(int controlId, int characters) const = 0;
    // Range of a level meter.
    virtual void range(int controlId, int minimum, int maximum) const = 0;
    // A box owned by this window, with a warning icon and an OK button only; returns once closed.
    virtual void warning(const char* text, const char* caption) const = 0;
    // Ends the modal run of this dialog; the run returns `result`.
    virtual void end(int result) const = 0;

    // The box's unsigned decimal number. False, with `value` 0, when it holds none: empty,
    // anything but digits (spaces around them aside), or a number beyond 32 bits.
    bool number(int controlId, uint32_t& value) const;
    void showNumber(int controlId, uint32_t value) const;

protected:
    ~DialogControls() = default;
};

// The rule of `DialogControls::number` on a text; `value` is left alone when it fails.
bool parseDialogNumber(const char* text, uint32_t& value);

// A modal dialog's procedure as the shell drives it: once initialise, when its controls exist;
// then command for each click of a button or check box, the check box already toggled. The
// Escape key and the close box deliver IDCANCEL.
class DialogProcedure {
public:
    virtual void initialise(const DialogControls& controls) = 0;
    // True when the procedure handled the command; otherwise the shell's default handling applies.
    virtual bool command(const DialogControls& controls, int controlId) = 0;

protected:
    ~DialogProcedure() = default;
};
