#pragma once
// The four templates as the windows must show them, written out independently of the
// resource tables: what the builder's result is checked against.

#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

#include <vector>

struct ExpectedControl {
    int id = IDC_STATIC;  // a label that nothing addresses
    ControlKind kind = ControlKind::Label;
    const char* text = "";
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool enabled = true;
    bool tabStop = false;
    int maxLength = 32767;  // Qt's own limit where the template sets none
    bool digitsOnly = false;
};

struct ExpectedTemplate {
    int resourceId = 0;
    const char* title = "";
    int width = 0;
    int height = 0;
    std::vector<ExpectedControl> controls;  // in tab order
};

std::vector<ExpectedTemplate> expectedTemplates();
