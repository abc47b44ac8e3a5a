#include "tests/shell/fake_controls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "resources/resource_ids.h"

namespace {

// Cuts as a real control does: never inside a UTF-8 sequence.
size_t copyText(const std::string& text, char* out, size_t capacity)
{
    if (capacity == 0)
        return 0;
    size_t length = std::min(text.size(), capacity - 1);
    while (length > 0 && length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
        --length;
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
    return length;
}

}  // namespace

void FakeControls::add(int controlId, bool checkable, bool enabled)
{
    FakeControl control;
    control.checkable = checkable;
    control.enabled = enabled;
    controls_[controlId] = control;
}

FakeControl& FakeControls::operator[](int controlId) const
{
    auto found = controls_.find(controlId);
    if (found == controls_.end()) {
        ADD_FAILURE() << "no control " << controlId;
        return unknown_;
    }
    return found->second;
}

void FakeControls::click(int controlId)
{
    FakeControl& control = (*this)[controlId];
    EXPECT_TRUE(control.enabled) << "clicked disabled control " << controlId;
    if (control.checkable)
        control.checked = !control.checked;
}

void FakeControls::click(int controlId, DialogProcedure& procedure)
{
    click(controlId);
    EXPECT_TRUE(procedure.command(*this, controlId));
}

size_t FakeControls::text(int controlId, char* out, size_t capacity) const
{
    return copyText((*this)[controlId].text, out, capacity);
}

void FakeControls::showText(int controlId, const char* text) const
{
    (*this)[controlId].text = text;
}

bool FakeControls::checked(int controlId) const
{
    return (*this)[controlId].checked;
}

void FakeControls::check(int controlId, bool checkedState) const
{
    (*this)[controlId].checked = checkedState;
}

void FakeControls::enable(int controlId, bool enabled) const
{
    (*this)[controlId].enabled = enabled;
}

void FakeControls::limit(int controlId, int characters) const
{
    (*this)[controlId].limit = characters;
}

void FakeControls::range(int controlId, int minimum, int maximum) const
{
    (*this)[controlId].rangeMinimum = minimum;
    (*this)[controlId].rangeMaximum = maximum;
}

void FakeControls::warning(const char* text, const char* caption) const
{
    warnings.push_back(FakeWarning{text, caption});
}

void FakeControls::end(int result) const
{
    endResult = result;
}

FakeControls connectDialogControls(int templateId)
{
    // The dedicated server's template leaves only the server port and the buttons usable.
    bool participant = templateId == IDD_CONNECT;
    EXPECT_TRUE(participant || templateId == IDD_SERVER_CONNECT) << "template " << templateId;
    FakeControls controls;
    controls.add(IDC_NICKNAME, false, participant);
    controls.add(IDC_REMOTE_HOST, false, participant);
    controls.add(IDC_REMOTE_PORT);
    controls.add(IDC_SERVER_MODE, true, participant);
    controls.add(IDC_FIX_LOCAL_PORT, true, participant);
    controls.add(IDC_LOCAL_PORT, false, false);
    controls.add(IDOK);
    controls.add(IDCANCEL);
    return controls;
}

FakeControls mainWindowControls(bool hasSendRow)
{
    FakeControls controls;
    if (hasSendRow) {
        controls.add(IDC_SEND_METER);
        controls.add(IDC_SEND_MUTE, true);
    }
    controls.add(IDC_RECV_MUTE, true);
    for (int slot = 0; slot < 16; ++slot) {
        controls.add(IDC_SLOT_NAME_BASE + slot);
        controls.add(IDC_SLOT_METER_BASE + slot);
        controls.add(IDC_SLOT_MUTE_BASE + slot, true);
    }
    return controls;
}
