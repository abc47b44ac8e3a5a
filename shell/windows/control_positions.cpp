#include "shell/windows/control_positions.h"

#include <cstdio>

#include "resources/resource_ids.h"

namespace {

constexpr size_t LINE_CAPACITY = 96;

void logRect(int templateId, const char* what, const RECT& rect)
{
    char line[LINE_CAPACITY];
    std::snprintf(line, sizeof(line), "window %d %s %ld %ld %ld %ld\n", templateId, what, rect.left, rect.top,
                  rect.right, rect.bottom);
    OutputDebugStringA(line);
}

}  // namespace

void logControlPositions(HWND window, const DialogTemplate& dialog)
{
    RECT rect;
    if (GetWindowRect(window, &rect))
        logRect(dialog.resourceId, "frame", rect);
    for (int index = 0; index < dialog.controlCount; ++index) {
        const int id = dialog.controls[index].id;
        HWND control = id != IDC_STATIC ? GetDlgItem(window, id) : nullptr;
        if (control == nullptr || !GetWindowRect(control, &rect))
            continue;
        char what[24];
        std::snprintf(what, sizeof(what), "control %d", id);
        logRect(dialog.resourceId, what, rect);
    }
}
