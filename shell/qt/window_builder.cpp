#include "shell/qt/window_builder.h"

#include "resources/menu_resource.h"
#include "shell/qt/menu_builder.h"
#include "shell/qt/program_icon.h"
#include "shell/qt/template_font.h"

#include <QDialog>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>

int buildMainWindow(const DialogTemplate& dialog, QMainWindow& window, CommandSink& sink, BuiltTemplate& built)
{
    auto* client = new QWidget(&window);
    const int result = buildTemplate(dialog, *client, built);
    if (result < 0) {
        delete client;
        return result;
    }
    window.setFont(templateFont(dialog));
    window.setCentralWidget(client);
    if (const MenuResource* menu = findMenu(dialog.menuId)) {
        buildMenuBar(*menu, *window.menuBar(), sink);
    }
    window.setWindowTitle(QString::fromUtf8(dialog.title));
    window.setWindowIcon(programIcon());
    window.setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    // The window's size follows its fixed client area and menu bar and cannot be changed.
    window.layout()->setSizeConstraint(QLayout::SetFixedSize);
    return 0;
}

int buildDialog(const DialogTemplate& dialog, QDialog& window, BuiltTemplate& built)
{
    const int result = buildTemplate(dialog, window, built);
    if (result < 0) {
        return result;
    }
    window.setWindowTitle(QString::fromUtf8(dialog.title));
    window.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint);
    return 0;
}
