#include "shell/qt/menu_builder.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>

namespace {

constexpr int functionKeyCount = 24;

// The Qt key of an accelerator entry, or 0 when it has none: function keys, letters and digits.
int qtKey(const Accelerator& entry)
{
    if ((entry.flags & AccelVirtualKey) == 0) {
        return 0;
    }
    if (entry.key >= VirtualKeyF1 && entry.key < VirtualKeyF1 + functionKeyCount) {
        return Qt::Key_F1 + (entry.key - VirtualKeyF1);
    }
    // Letters and digits have their ASCII codes both as virtual keys and as Qt keys.
    const bool letter = entry.key >= 'A' && entry.key <= 'Z';
    const bool digit = entry.key >= '0' && entry.key <= '9';
    return letter || digit ? entry.key : 0;
}

QKeySequence keySequence(const Accelerator& entry)
{
    int modifiers = 0;
    modifiers |= (entry.flags & AccelShift) != 0 ? int{Qt::SHIFT} : 0;
    modifiers |= (entry.flags & AccelControl) != 0 ? int{Qt::CTRL} : 0;
    modifiers |= (entry.flags & AccelAlt) != 0 ? int{Qt::ALT} : 0;
    return QKeySequence(qtKey(entry) | modifiers);
}

}  // namespace

void buildMenuBar(const MenuResource& menu, QMenuBar& bar, CommandSink& sink)
{
    for (int popupIndex = 0; popupIndex < menu.popupCount; ++popupIndex) {
        const MenuPopup& popup = menu.popups[popupIndex];
        QMenu* qtMenu = bar.addMenu(QString::fromUtf8(popup.text));
        for (int itemIndex = 0; itemIndex < popup.itemCount; ++itemIndex) {
            const MenuItem& item = popup.items[itemIndex];
            if (item.text == nullptr) {
                qtMenu->addSeparator();
                continue;
            }
            // The text after a tab is shown as the item's shortcut; the key itself comes from
            // the accelerator table.
            QAction* action = qtMenu->addAction(QString::fromUtf8(item.text));
            action->setData(item.commandId);
            action->setCheckable(item.checkable);
            const int commandId = item.commandId;
            QObject::connect(action, &QAction::triggered, action, [&sink, commandId] { sink.send(commandId); });
        }
    }
}

QAction* findMenuAction(const QMenuBar& bar, int commandId)
{
    for (const QAction* popup : bar.actions()) {
        if (popup->menu() == nullptr) {
            continue;
        }
        for (QAction* item : popup->menu()->actions()) {
            if (!item->isSeparator() && item->data().toInt() == commandId) {
                return item;
            }
        }
    }
    return nullptr;
}

int installAccelerators(const AcceleratorTable& table, QWidget& window, CommandSink& sink)
{
    for (int index = 0; index < table.entryCount; ++index) {
        if (qtKey(table.entries[index]) == 0) {
            return -1;
        }
    }
    for (int index = 0; index < table.entryCount; ++index) {
        const Accelerator& entry = table.entries[index];
        auto* shortcut = new QShortcut(keySequence(entry), &window);
        shortcut->setContext(Qt::WindowShortcut);
        const int commandId = entry.commandId;
        QObject::connect(shortcut, &QShortcut::activated, shortcut, [&sink, commandId] { sink.send(commandId); });
    }
    return table.entryCount;
}
