#include "shell/qt/qt_dialog_controls.h"

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>

#include <algorithm>
#include <cstring>

namespace {

QWidget* find(void* context, int controlId)
{
    return static_cast<QtControls*>(context)->built->control(controlId);
}

QString textOf(QWidget* widget)
{
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return edit->text();
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    return {};
}

// Copies at most capacity-1 bytes without splitting a UTF-8 sequence.
size_t copyUtf8(const QByteArray& utf8, char* out, size_t capacity)
{
    if (capacity == 0) {
        return 0;
    }
    size_t length = std::min(static_cast<size_t>(utf8.size()), capacity - 1);
    if (length < static_cast<size_t>(utf8.size())) {
        while (length > 0 && (static_cast<unsigned char>(utf8[static_cast<qsizetype>(length)]) & 0xC0) == 0x80) {
            --length;
        }
    }
    std::memcpy(out, utf8.constData(), length);
    out[length] = '\0';
    return length;
}

size_t getText(void* context, int controlId, char* text, size_t capacity)
{
    return copyUtf8(textOf(find(context, controlId)).toUtf8(), text, capacity);
}

void setText(void* context, int controlId, const char* text)
{
    QWidget* widget = find(context, controlId);
    const QString value = QString::fromUtf8(text);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(value);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(value);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(value);
    }
}

bool isChecked(void* context, int controlId)
{
    auto* button = qobject_cast<QAbstractButton*>(find(context, controlId));
    return button != nullptr && button->isChecked();
}

void setChecked(void* context, int controlId, bool checked)
{
    if (auto* button = qobject_cast<QAbstractButton*>(find(context, controlId))) {
        button->setChecked(checked);
    }
}

void setEnabled(void* context, int controlId, bool enabled)
{
    if (QWidget* widget = find(context, controlId)) {
        widget->setEnabled(enabled);
    }
}

void setLimit(void* context, int controlId, int characters)
{
    if (auto* edit = qobject_cast<QLineEdit*>(find(context, controlId))) {
        edit->setMaxLength(characters);
    }
}

void setRange(void* context, int controlId, int minimum, int maximum)
{
    if (auto* bar = qobject_cast<QProgressBar*>(find(context, controlId))) {
        bar->setRange(minimum, maximum);
    }
}

void showWarning(void* context, const char* text, const char* caption)
{
    runWarningBox(static_cast<QtControls*>(context)->window, text, caption);
}

void endDialog(void* context, int result)
{
    if (QDialog* dialog = static_cast<QtControls*>(context)->dialog) {
        dialog->done(result);
    }
}

}  // namespace

DialogControls makeDialogControls(QtControls& controls)
{
    DialogControls table;
    table.context = &controls;
    table.getText = getText;
    table.setText = setText;
    table.isChecked = isChecked;
    table.setChecked = setChecked;
    table.setEnabled = setEnabled;
    table.setLimit = setLimit;
    table.setRange = setRange;
    table.showWarning = showWarning;
    table.endDialog = endDialog;
    return table;
}

void runWarningBox(QWidget* owner, const char* text, const char* caption)
{
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(caption), QString::fromUtf8(text), QMessageBox::Ok, owner);
    box.exec();
}
