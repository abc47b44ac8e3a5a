// Windows built from the templates, checked against the tables of expected_templates.cpp, and
// the menu bar, the F2 accelerator and the icon of the main window.

#include "shell/qt/window_builder.h"
#include "resources/menu_resource.h"
#include "resources/resource_ids.h"
#include "shell/qt/menu_builder.h"
#include "shell/qt/meter_bar.h"
#include "tests/qt/expected_templates.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QValidator>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

struct CommandLog final : CommandSink {
    void send(int commandId) override { ids.push_back(commandId); }

    std::vector<int> ids;
};

struct BuiltWindow {
    std::unique_ptr<QWidget> window;
    QWidget* client = nullptr;
    BuiltTemplate built;
};

// Main windows as main windows with their menu, the other templates as dialogs.
std::unique_ptr<BuiltWindow> buildWindow(const DialogTemplate& dialog, CommandLog& log)
{
    auto result = std::make_unique<BuiltWindow>();
    if (dialog.frame == DialogFrame::MainWindow) {
        auto* window = new QMainWindow;
        result->window.reset(window);
        if (buildMainWindow(dialog, *window, log, result->built) == 0) {
            result->client = window->centralWidget();
        }
    } else {
        auto* window = new QDialog;
        result->window.reset(window);
        if (buildDialog(dialog, *window, result->built) == 0) {
            result->client = window;
        }
    }
    return result;
}

// Dialog units to pixels the way a dialog template's window maps them: from the average width
// of the 52 Latin letters and the line height of the window's font, edges rounded.
struct PixelMapping {
    int baseWidth;
    int baseHeight;

    explicit PixelMapping(const QFontMetrics& metrics)
        : baseWidth(static_cast<int>(std::lround(
              metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
              52.0))),
          baseHeight(metrics.height())
    {
    }

    int x(int units) const { return static_cast<int>(std::lround(units * baseWidth / 4.0)); }
    int y(int units) const { return static_cast<int>(std::lround(units * baseHeight / 8.0)); }
    QRect rect(const ExpectedControl& control) const
    {
        return QRect(QPoint(x(control.x), y(control.y)),
                     QPoint(x(control.x + control.width) - 1, y(control.y + control.height) - 1));
    }
};

QString kindMismatch(QWidget* widget, const ExpectedControl& expected)
{
    const QString text = QString::fromUtf8(expected.text);
    auto* button = qobject_cast<QPushButton*>(widget);
    switch (expected.kind) {
    case ControlKind::Label: {
        auto* label = qobject_cast<QLabel*>(widget);
        return label != nullptr && label->text() == text ? QString() : QStringLiteral("not a label with its text");
    }
    case ControlKind::Edit: {
        auto* edit = qobject_cast<QLineEdit*>(widget);
        if (edit == nullptr || edit->text() != text || edit->maxLength() != expected.maxLength) {
            return QStringLiteral("not an edit box with its text and length limit");
        }
        QString typed = QStringLiteral("65535x");
        int position = 0;
        const bool takesLetters =
            edit->validator() == nullptr || edit->validator()->validate(typed, position) != QValidator::Invalid;
        return takesLetters != expected.digitsOnly ? QString() : QStringLiteral("wrong input filter");
    }
    case ControlKind::CheckBox: {
        auto* box = qobject_cast<QCheckBox*>(widget);
        return box != nullptr && box->text() == text ? QString() : QStringLiteral("not a check box with its text");
    }
    case ControlKind::PushLikeCheck:
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton:
        if (button == nullptr || button->text() != text) {
            return QStringLiteral("not a push button with its text");
        }
        if (button->isCheckable() != (expected.kind == ControlKind::PushLikeCheck)) {
            return QStringLiteral("wrong toggle behaviour");
        }
        return button->isDefault() == (expected.kind == ControlKind::DefaultPushButton)
                   ? QString()
                   : QStringLiteral("wrong default");
    case ControlKind::ProgressBar: {
        auto* bar = qobject_cast<QProgressBar*>(widget);
        return bar != nullptr && !bar->isTextVisible() ? QString() : QStringLiteral("not a progress bar without text");
    }
    }
    return QStringLiteral("unknown kind");
}

QString controlMismatch(QWidget* widget, const ExpectedControl& expected, const BuiltTemplate& built, QRect pixels)
{
    if (expected.id != IDC_STATIC && built.control(expected.id) != widget) {
        return QStringLiteral("not found by its id");
    }
    // A label or check box may be wider than its template width where its text needs it.
    const bool holdsText = expected.kind == ControlKind::Label || expected.kind == ControlKind::CheckBox;
    if (holdsText && widget->width() > pixels.width() && widget->width() <= widget->sizeHint().width()) {
        pixels.setWidth(widget->width());
    }
    if (widget->geometry() != pixels) {
        return QStringLiteral("at %1,%2 %3x%4")
            .arg(widget->x())
            .arg(widget->y())
            .arg(widget->width())
            .arg(widget->height());
    }
    if (widget->isEnabled() != expected.enabled) {
        return QStringLiteral("wrong enabled state");
    }
    if (((widget->focusPolicy() & Qt::TabFocus) != 0) != expected.tabStop) {
        return QStringLiteral("wrong tab stop");
    }
    return kindMismatch(widget, expected);
}

// A few speakers, levels and mutes, so that a main window's screenshot shows it in use.
void showSampleConference(const BuiltTemplate& built)
{
    const char* const names[] = {"さくら", "Taro", "山田太郎"};
    const int levels[] = {70, 35, 88};
    for (int slot = 0; slot < 3; ++slot) {
        qobject_cast<QLabel*>(built.control(IDC_SLOT_NAME_BASE + slot))->setText(QString::fromUtf8(names[slot]));
        auto* meter = qobject_cast<QProgressBar*>(built.control(IDC_SLOT_METER_BASE + slot));
        meter->setRange(0, 96);
        meter->setValue(levels[slot]);
    }
    qobject_cast<QPushButton*>(built.control(IDC_SLOT_MUTE_BASE + 1))->setChecked(true);
    if (auto* sendMeter = qobject_cast<QProgressBar*>(built.control(IDC_SEND_METER))) {
        sendMeter->setRange(0, 96);
        sendMeter->setValue(50);
    }
}

}  // namespace

class WindowBuilderTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(QDir().mkpath(QStringLiteral(KOVARO_QT_OUTPUT_DIR))); }

    // A meter's bar covers the share of its width that its level is of the range, and a level
    // outside the range shows as its end.
    void meterBarFillsItsLevelsShare()
    {
        QWidget window;
        auto* meter = new MeterBar(&window);
        meter->setRange(0, 96);
        meter->setGeometry(0, 0, 100, 12);  // a track of 96 pixels inside frame and margin
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QColor bar = meter->palette().color(QPalette::Highlight);
        const auto filledColumns = [&] {
            const QImage image = meter->grab().toImage();
            int columns = 0;
            for (int x = 0; x < image.width(); ++x)
                columns += image.pixelColor(x, image.height() / 2) == bar ? 1 : 0;
            return columns;
        };
        for (const auto& [level, columns] : {std::pair{0, 0}, {48, 48}, {96, 96}, {200, 96}, {-5, 0}}) {
            meter->showLevel(level);
            QCOMPARE(meter->value(), std::clamp(level, 0, 96));
            QCOMPARE(filledColumns(), columns);
        }
    }

    void laysOutEachTemplateAsTabled_data()
    {
        QTest::addColumn<int>("index");
        const std::vector<ExpectedTemplate> templates = expectedTemplates();
        for (int index = 0; index < static_cast<int>(templates.size()); ++index) {
            QTest::addRow("%d", templates[index].resourceId) << index;
        }
    }

    void laysOutEachTemplateAsTabled()
    {
        QFETCH(int, index);
        const ExpectedTemplate expected = expectedTemplates()[index];
        const DialogTemplate* dialog = findDialogTemplate(expected.resourceId);
        QVERIFY(dialog != nullptr);
        CommandLog log;
        const std::unique_ptr<BuiltWindow> built = buildWindow(*dialog, log);
        QVERIFY(built->client != nullptr);
        built->window->show();
        QCOMPARE(built->window->windowTitle(), QString::fromUtf8(expected.title));
        if (QFontDatabase::hasFamily(QStringLiteral("Noto Sans CJK JP"))) {
            QCOMPARE(QFontInfo(built->client->font()).family(), QStringLiteral("Noto Sans CJK JP"));
        }

        const PixelMapping mapping(built->client->fontMetrics());
        QCOMPARE(built->client->size(), QSize(mapping.x(expected.width), mapping.y(expected.height)));
        QCOMPARE(built->window->minimumSize(), built->window->maximumSize());

        const QList<QWidget*> controls = built->client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        QCOMPARE(controls.size(), static_cast<qsizetype>(expected.controls.size()));
        QList<QWidget*> expectedTabOrder;
        for (qsizetype position = 0; position < controls.size(); ++position) {
            const ExpectedControl& control = expected.controls[position];
            const QString mismatch = controlMismatch(controls[position], control, built->built, mapping.rect(control));
            QVERIFY2(mismatch.isEmpty(),
                     qPrintable(QStringLiteral("control %1 (id %2): %3").arg(position).arg(control.id).arg(mismatch)));
            if (control.tabStop) {
                expectedTabOrder.push_back(controls[position]);
            }
        }

        for (qsizetype first = 0; first < controls.size(); ++first) {
            for (qsizetype second = first + 1; second < controls.size(); ++second) {
                QVERIFY2(!controls[first]->geometry().intersects(controls[second]->geometry()),
                         qPrintable(QStringLiteral("controls %1 and %2 overlap").arg(first).arg(second)));
            }
        }

        QList<QWidget*> tabOrder;
        QWidget* window = built->window.get();
        for (QWidget* next = window->nextInFocusChain(); next != window; next = next->nextInFocusChain()) {
            if (next->parentWidget() == built->client && (next->focusPolicy() & Qt::TabFocus) != 0) {
                tabOrder.push_back(next);
            }
        }
        QCOMPARE(tabOrder, expectedTabOrder);
        if (dialog->frame == DialogFrame::ModalDialog) {
            // A dialog opens with the focus on its first usable tab stop.
            built->window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(built->window.get()));
            const auto usable =
                std::find_if(tabOrder.begin(), tabOrder.end(), [](QWidget* w) { return w->isEnabled(); });
            QVERIFY(usable != tabOrder.end());
            QCOMPARE(QApplication::focusWidget(), *usable);
        }

        if (dialog->frame == DialogFrame::MainWindow) {
            showSampleConference(built->built);
        }
        const QString screenshot = QStringLiteral(KOVARO_QT_OUTPUT_DIR "/template-%1.png").arg(expected.resourceId);
        QVERIFY(built->window->grab().save(screenshot));
    }

    void enterPressesTheDefaultButton()
    {
        CommandLog log;
        const std::unique_ptr<BuiltWindow> built = buildWindow(*findDialogTemplate(IDD_CONNECT), log);
        built->window->show();
        QSignalSpy okClicks(qobject_cast<QPushButton*>(built->built.control(IDOK)), &QPushButton::clicked);
        QSignalSpy cancelClicks(qobject_cast<QPushButton*>(built->built.control(IDCANCEL)), &QPushButton::clicked);
        QTest::keyClick(built->built.control(IDC_NICKNAME), Qt::Key_Return);
        QCOMPARE(okClicks.count(), 1);
        QCOMPARE(cancelClicks.count(), 0);
    }

    void mainWindowHasTheMenuAndTheIcon()
    {
        CommandLog log;
        const std::unique_ptr<BuiltWindow> built = buildWindow(*findDialogTemplate(IDD_MAIN), log);
        auto* window = static_cast<QMainWindow*>(built->window.get());
        const QList<QAction*> popups = window->menuBar()->actions();
        QCOMPARE(popups.size(), 2);
        QCOMPARE(popups[0]->text(), QStringLiteral("接続(&C)"));
        const QList<QAction*> items = popups[0]->menu()->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0]->text(), QStringLiteral("接続(&C)\tF2"));
        QVERIFY(items[1]->isSeparator());
        QCOMPARE(items[2]->text(), QStringLiteral("終了(&X)"));
        QVERIFY(!items[0]->isCheckable());
        items[0]->trigger();
        items[2]->trigger();
        QCOMPARE(log.ids, (std::vector<int>{IDM_CONNECT, IDM_EXIT}));

        QCOMPARE(popups[1]->text(), QStringLiteral("音声(&A)"));
        const QList<QAction*> voiceItems = popups[1]->menu()->actions();
        QCOMPARE(voiceItems.size(), 3);
        const QString voiceTexts[] = {QStringLiteral("エコー除去"), QStringLiteral("ノイズ除去"),
                                      QStringLiteral("自動音量調整")};
        const int voiceIds[] = {IDM_ECHO_CANCEL, IDM_NOISE_SUPPRESSION, IDM_AUTO_GAIN};
        for (int index = 0; index < 3; ++index) {
            QCOMPARE(voiceItems[index]->text(), voiceTexts[index]);
            QVERIFY(voiceItems[index]->isCheckable());
            QCOMPARE(findMenuAction(*window->menuBar(), voiceIds[index]), voiceItems[index]);
        }
        log.ids.clear();
        voiceItems[1]->trigger();
        QCOMPARE(log.ids, std::vector<int>{IDM_NOISE_SUPPRESSION});

        const QList<QSize> iconSizes = window->windowIcon().availableSizes();
        for (const int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
            QVERIFY2(iconSizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
        }
    }

    // The dedicated server has no microphone, so no voice popup.
    void serverMenuHasOnlyTheConnectPopup()
    {
        CommandLog log;
        const std::unique_ptr<BuiltWindow> built = buildWindow(*findDialogTemplate(IDD_SERVER_MAIN), log);
        const QList<QAction*> popups = static_cast<QMainWindow*>(built->window.get())->menuBar()->actions();
        QCOMPARE(popups.size(), 1);
        QCOMPARE(popups[0]->text(), QStringLiteral("接続(&C)"));
        QCOMPARE(popups[0]->menu()->actions().size(), 3);
    }

    void f2ConnectsWhileAMuteButtonHasTheFocus()
    {
        CommandLog log;
        const std::unique_ptr<BuiltWindow> built = buildWindow(*findDialogTemplate(IDD_MAIN), log);
        QCOMPARE(installAccelerators(*findAcceleratorTable(IDR_ACCEL), *built->window, log), 1);
        built->window->show();
        built->window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(built->window.get()));
        auto* mute = qobject_cast<QPushButton*>(built->built.control(IDC_SLOT_MUTE_BASE + 2));
        mute->setFocus();
        QTRY_VERIFY(mute->hasFocus());

        QTest::keyClick(mute, Qt::Key_F2, Qt::ShiftModifier);
        QVERIFY(log.ids.empty());
        QTest::keyClick(mute, Qt::Key_F2);
        QCOMPARE(log.ids, std::vector<int>{IDM_CONNECT});
        QVERIFY(!mute->isChecked());
    }
};

QTEST_MAIN(WindowBuilderTest)
#include "window_builder_test.moc"
