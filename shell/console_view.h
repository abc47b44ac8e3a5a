#pragma once
// A main-window view for the headless host: every title, label, meter and box becomes one
// line on standard output, written whole and flushed at once.
//   title <text>
//   text <control id> <text>
//   meter <control id> <position>
//   warning <caption>|<text>
//   notice <caption>|<text>     (a notice nobody has to answer: sound lost, sound back)
//   fatal <caption>|<text>        (then the process ends with exit code 0)

#include "platform/main_window_view.h"

MainWindowView& consoleView();
