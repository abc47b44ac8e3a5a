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

}  // namespace

size_t QtControls::text(int controlId, char* out, size_t capacity) const
{
    return copyUtf8(textOf(built_.control(controlId)).toUtf8(), out, capacity);
}

void QtControls::showText(int controlId, const char* text) const
{
    QWidget* widget = built_.control(controlId);
    const QString value = QString::fromUtf8(text);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(value);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(value);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(value);
    }
}

bool QtControls::checked(int controlId) const
{
    auto* button = qobject_cast<QAbstractButton*>(built_.control(controlId));
    return button != nullptr && button->isChecked();
}

void QtControls::check(int controlId, bool checkedState) const
{
    if (auto* button = qobject_cast<QAbstractButton*>(built_.control(controlId))) {
        button->setChecked(checkedState);
    }
}

void QtControls::enable(int controlId, bool enabled) const
{
    if (QWidget* widget = built_.control(controlId)) {
        widget->setEnabled(enabled);
    }
}

void QtControls::limit(int controlId, int characters) const
{
    if (auto* edit = qobject_cast<QLineEdit*>(built_.control(controlId))) {
        edit->setMaxLength(characters);
    }
}

void QtControls::range(int controlId, int minimum, int maximum) const
{
    if (auto* bar = qobject_cast<QProgressBar*>(built_.control(controlId))) {
        bar->setRange(minimum, maximum);
    }
}

void QtControls::warning(const char* text, const char* caption) const
{
    runWarningBox(window_, text, caption);
}

void QtControls::end(int result) const
{
    if (dialog_ != nullptr) {
        dialog_->done(result);
    }
}

void runWarningBox(QWidget* owner, const char* text, const char* caption)
{
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(caption), QString::fromUtf8(text), QMessageBox::Ok, owner);
    box.exec();
}
