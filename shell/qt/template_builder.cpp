#include "shell/qt/template_builder.h"

#include "resources/resource_ids.h"
#include "shell/qt/meter_bar.h"
#include "shell/qt/template_font.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <vector>

// Qt's line edits always scroll, its check boxes put their text left of centre and Fusion's
// progress bars are continuous, so StyleHorizontalScroll, StyleTextLeftTop and StyleSmooth
// need nothing here; a native template uses them.

namespace {

QPushButton* createButton(const DialogControl& control, QWidget& parent)
{
    auto* button = new QPushButton(QString::fromUtf8(control.text), &parent);
    button->setCheckable(control.kind == ControlKind::PushLikeCheck);
    button->setDefault(control.kind == ControlKind::DefaultPushButton);
    return button;
}

QLineEdit* createEdit(const DialogControl& control, QWidget& parent)
{
    auto* edit = new QLineEdit(QString::fromUtf8(control.text), &parent);
    if (control.textLimit != 0) {
        edit->setMaxLength(control.textLimit);
    }
    if ((control.style & StyleDigitsOnly) != 0) {
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    }
    return edit;
}

QWidget* createControl(const DialogControl& control, QWidget& parent)
{
    switch (control.kind) {
    case ControlKind::Label: {
        auto* label = new QLabel(QString::fromUtf8(control.text), &parent);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case ControlKind::Edit:
        return createEdit(control, parent);
    case ControlKind::CheckBox:
        return new QCheckBox(QString::fromUtf8(control.text), &parent);
    case ControlKind::PushLikeCheck:
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton:
        return createButton(control, parent);
    case ControlKind::ProgressBar: {
        return new MeterBar(&parent);
    }
    }
    return nullptr;
}

bool isInteractive(ControlKind kind)
{
    return kind != ControlKind::Label && kind != ControlKind::ProgressBar;
}

// The smallest share of the template's point size a text may shrink to so that it fits.
constexpr double SMALLEST_TEXT_SCALE = 0.75;
constexpr double TEXT_SCALE_STEP = 0.05;

// The template's widths were made for its own font; ours can need more room for the same text
// (Japanese kana at full width). A label or check box whose text would be cut grows to the
// right as far as the text needs, but never into another control or past the client's edge;
// where that room is not enough its text is drawn a little smaller, so no character is hidden.
void widenToFitText(QWidget& widget, const QRect& placed, const std::vector<QRect>& placedControls, int clientWidth)
{
    if (widget.sizeHint().width() <= placed.width()) {
        return;
    }
    int right = clientWidth;
    for (const QRect& other : placedControls) {
        const bool sharesRows = other.top() <= placed.bottom() && other.bottom() >= placed.top();
        if (sharesRows && other.left() > placed.right()) {
            right = std::min(right, other.left());
        }
    }
    const int room = right - placed.left();
    const double pointSize = widget.font().pointSizeF();
    for (double scale = 1.0 - TEXT_SCALE_STEP; widget.sizeHint().width() > room && scale >= SMALLEST_TEXT_SCALE;
         scale -= TEXT_SCALE_STEP) {
        QFont smaller = widget.font();
        smaller.setPointSizeF(pointSize * scale);
        widget.setFont(smaller);
    }
    widget.resize(std::min(widget.sizeHint().width(), room), placed.height());
}

}  // namespace

QWidget* BuiltTemplate::control(int id) const
{
    for (int index = 0; index < controlCount; ++index) {
        if (controls[index].id == id) {
            return controls[index].widget;
        }
    }
    return nullptr;
}

int buildTemplate(const DialogTemplate& dialog, QWidget& client, BuiltTemplate& built)
{
    int addressable = 0;
    for (int index = 0; index < dialog.controlCount; ++index) {
        addressable += dialog.controls[index].id != IDC_STATIC ? 1 : 0;
    }
    if (addressable > BuiltTemplate::capacity) {
        return -1;
    }

    client.setFont(templateFont(dialog));
    built.baseUnits = measureBaseUnits(client.fontMetrics());
    built.clientSize = QSize(built.baseUnits.toPixelsX(dialog.width), built.baseUnits.toPixelsY(dialog.height));
    built.controlCount = 0;

    std::vector<QRect> placedControls;
    placedControls.reserve(static_cast<std::size_t>(dialog.controlCount));
    for (int index = 0; index < dialog.controlCount; ++index) {
        const DialogControl& control = dialog.controls[index];
        placedControls.push_back(built.baseUnits.toPixels(control.x, control.y, control.width, control.height));
    }

    // Qt's focus chain follows the order of creation, so creating the controls in template
    // order gives the template's tab order.
    for (int index = 0; index < dialog.controlCount; ++index) {
        const DialogControl& control = dialog.controls[index];
        QWidget* widget = createControl(control, client);
        const QRect& placed = placedControls[static_cast<std::size_t>(index)];
        widget->setGeometry(placed);
        if (control.kind == ControlKind::Label || control.kind == ControlKind::CheckBox) {
            widenToFitText(*widget, placed, placedControls, built.clientSize.width());
        }
        widget->setEnabled((control.style & StyleDisabled) == 0);
        if (isInteractive(control.kind)) {
            widget->setFocusPolicy((control.style & StyleTabStop) != 0 ? Qt::StrongFocus : Qt::ClickFocus);
        }
        if (control.id != IDC_STATIC) {
            built.controls[built.controlCount++] = {control.id, widget};
        }
    }
    client.setFixedSize(built.clientSize);
    return 0;
}
