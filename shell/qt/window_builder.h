#pragma once
// Whole windows from templates: the main window with its menu bar and icon, and modal dialogs.
// Both are fixed in size. Threading: GUI thread only.

#include "resources/dialog_template.h"
#include "shell/qt/command_sink.h"
#include "shell/qt/template_builder.h"

class QDialog;
class QMainWindow;

// Builds an empty main window: the template's controls in its central widget, the template's
// menu (items report to sink), title, font and the program icon. Returns buildTemplate's result.
int buildMainWindow(const DialogTemplate& dialog, QMainWindow& window, CommandSink& sink, BuiltTemplate& built);

// Builds an empty dialog from the template: controls, title and font. Returns buildTemplate's result.
int buildDialog(const DialogTemplate& dialog, QDialog& window, BuiltTemplate& built);
