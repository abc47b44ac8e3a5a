#include "platform/main_window_view.h"

#include <cstdio>
#include <cstdlib>

void MainWindowView::fatal(const char* text, const char* caption, bool warningIcon)
{
    showFatal(text, caption, warningIcon);
    // A view that returns from the fatal box still ends the process as promised. Other
    // threads may be running, so no destructors run.
    std::fflush(nullptr);
    std::_Exit(0);
}
