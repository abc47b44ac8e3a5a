#pragma once
// The menu bar and the keyboard accelerators from their resource data.
// Threading: GUI thread only.

#include "resources/menu_resource.h"
#include "shell/qt/command_sink.h"

class QAction;
class QMenuBar;
class QWidget;

// Adds the menu's popups and items to the bar; each item reports its command id to sink.
void buildMenuBar(const MenuResource& menu, QMenuBar& bar, CommandSink& sink);

// The item of the bar's popups that reports this command id, or nullptr.
QAction* findMenuAction(const QMenuBar& bar, int commandId);

// Gives window one shortcut per accelerator entry, active whichever of its children has the
// focus; each reports its command id to sink. Returns the number of shortcuts made, or -1
// when an entry names a key that has no Qt equivalent here (nothing is made then).
int installAccelerators(const AcceleratorTable& table, QWidget& window, CommandSink& sink);
