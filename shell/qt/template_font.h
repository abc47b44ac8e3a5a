#pragma once
// The font a template's window is drawn in.

#include "resources/dialog_template.h"

#include <QFont>

// The template's own font where it is installed, else "Noto Sans CJK JP", which draws Latin
// and Japanese text with one set of metrics, else the system's default sans; always at the
// template's point size.
QFont templateFont(const DialogTemplate& dialog);
