#include "tests/shell/fake_controls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "resources/resource_ids.h"

namespace {

FakeControls& self(void* context)
{
    return *static_cast<FakeControls*>(context);
}

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

FakeControl& FakeControls::operator[](int controlId)
{
    auto found = controls_.find(controlId);
    if (found == controls_.end()) {
        ADD_FAILURE() << "no control " << controlId;
        return unknown_;
    }
    return found->second;
}

DialogControls FakeControls::table()
{
    DialogControls controls;
    controls.context = this;
    controls.getText = [](void* context, int id, char* out, size_t capacity) {
        return copyText(self(context)[id].text, out, capacity);
    };
    controls.setText = [](void* context, int id, const char* text) { self(context)[id].text = text; };
    controls.isChecked = [](void* context, int id) { return self(context)[id].checked; };
    controls.setChecked = [](void* context, int id, bool checked) { self(context)[id].checked = checked; };
    controls.setEnabled = [](void* context, int id, bool enabled) { self(context)[id].enabled = enabled; };
    controls.setLimit = [](void* context, int id, int characters) { self(context)[id].limit = characters; };
    controls.setRange = [](void* context, int id, int minimum, int maximum) {
        self(context)[id].rangeMinimum = minimum;
        self(context)[id].rangeMaximum = maximum;
    };
    controls.showWarning = [](void* context, const char* text, const char* caption) {
        self(context).warnings.push_back(FakeWarning{text, caption});
    };
    controls.endDialog = [](void* context, int result) { self(context).endResult = result; };
    return controls;
}

void FakeControls::click(int controlId)
{
    FakeControl& control = (*this)[controlId];
    EXPECT_TRUE(control.enabled) << "clicked disabled control " << controlId;
    if (control.checkable)
        control.checked = !control.checked;
}

void FakeControls::click(int controlId, const DialogProcedure& procedure)
{
    click(controlId);
    EXPECT_TRUE(procedure.command(procedure.context, table(), controlId));
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
