// The Qt glue of kovaro on the offscreen platform: the main window's procedure reached through
// the Qt host (queued start and connect, the modal dialog ended by Escape, a voice-processing
// item, a mute click, the close box), and the worker's view handing calls from another thread
// to the GUI thread.

#include "conference/voice_processing_switches.h"
#include "conference/worker_events.h"
#include "platform/event_loop.h"
#include "resources/resource_ids.h"
#include "shell/qt/menu_builder.h"
#include "shell/qt/qt_main_window.h"
#include "shell/qt/qt_window_view.h"
#include "shell/qt/stop_signals.h"
#include "tests/support/scratch_folder.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <thread>
#include <vector>

namespace {

struct Posted {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

struct RecordingWorker : WorkerPort {
    void start() override { ++starts; }
    bool post(uint32_t message, uintptr_t wParam, intptr_t lParam) override
    {
        posts.push_back({message, wParam, lParam});
        return true;
    }
    bool shutdown() override
    {
        ++shutdowns;
        return true;
    }

    int starts = 0;
    int shutdowns = 0;
    std::vector<Posted> posts;
};

}  // namespace

class QtShellTest : public QObject {
    Q_OBJECT

private slots:
    void startThenDialogMuteAndCloseBox()
    {
        ScratchFolder folder;
        const std::string settings = folder.file("kovaro.ini");
        RecordingWorker worker;
        QtMainWindow window;
        QCOMPARE(window.build(PARTICIPANT_MAIN_WINDOW), 0);

        // The connection dialog opens by itself once the loop runs, after the worker's start.
        int startsWhenDialogOpened = -1;
        QString dialogTitle;
        QTimer watch;
        watch.setInterval(10);
        connect(&watch, &QTimer::timeout, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (dialog == nullptr) {
                return;
            }
            watch.stop();
            startsWhenDialogOpened = worker.starts;
            dialogTitle = dialog->windowTitle();
            QTest::keyClick(dialog, Qt::Key_Escape);
            if (dialog->isVisible()) {
                static_cast<QDialog*>(dialog)->done(IDOK);  // never leave exec() hanging
            }
        });
        watch.start();
        window.open(worker, settings.c_str());
        QCOMPARE(window.windowTitle(), QStringLiteral("Kovaro"));
        QTRY_COMPARE(startsWhenDialogOpened, 1);
        QCOMPARE(dialogTitle, QStringLiteral("接続設定"));
        // Escape is a cancel: nothing saved, nothing handed to the worker but the voice processing.
        QCOMPARE(worker.posts.size(), size_t{1});
        QCOMPARE(worker.posts[0].wParam, uintptr_t{CMD_VOICE_PROCESSING});
        QVERIFY(!fileExists(settings));
        worker.posts.clear();

        // The procedure's check marks reach the menu; choosing an item reaches the procedure.
        QAction* autoGain = findMenuAction(*window.menuBar(), IDM_AUTO_GAIN);
        QVERIFY(autoGain != nullptr);
        QVERIFY(autoGain->isChecked());
        QVERIFY(autoGain->isEnabled());
        autoGain->trigger();
        QVERIFY(!autoGain->isChecked());
        QCOMPARE(worker.posts.size(), size_t{1});
        QCOMPARE(worker.posts[0].lParam, intptr_t{1 | 2});
        worker.posts.clear();

        auto* slot3 = qobject_cast<QPushButton*>(window.controls().control(IDC_SLOT_MUTE_BASE + 3));
        QVERIFY(slot3 != nullptr);
        QTest::mouseClick(slot3, Qt::LeftButton);
        QCOMPARE(worker.posts.size(), size_t{1});
        QCOMPARE(worker.posts[0].message, WM_COMMAND);
        QCOMPARE(worker.posts[0].wParam, uintptr_t{CMD_MUTE_SLOT});
        QCOMPARE(worker.posts[0].lParam, intptr_t{1 << 16 | 3});

        window.move(40, 50);
        QVERIFY(!window.close());  // the close box: the procedure's destruction, not Qt's close
        QCOMPARE(worker.shutdowns, 1);
        QVERIFY(window.isHidden());
        const std::string saved = readBytes(settings);
        QVERIFY2(saved.find("Left=40") != std::string::npos && saved.find("Top=50") != std::string::npos,
                 saved.c_str());
    }

    // The close itself is the close box's path, checked above; this checks that a stop signal takes it.
    void aStopSignalClosesTheWindow()
    {
        QWidget window;
        window.show();
        QCOMPARE(closeOnStopSignals(window), 0);
        std::raise(SIGTERM);
        QTRY_VERIFY(window.isHidden());
    }

    void viewHandsWorkerCallsToTheGuiThread()
    {
        QtMainWindow window;
        QCOMPARE(window.build(PARTICIPANT_MAIN_WINDOW), 0);
        window.show();
        QtWindowView view(window, window.controls());

        // A modal dialog is open (the connection dialog): the worker's box shows above it.
        QDialog dialog(&window);
        dialog.setModal(true);
        dialog.show();
        std::thread worker([&] {
            view.title("Kovaro- 接続済");
            view.controlText(IDC_SLOT_NAME_BASE + 2, "ななし");
            for (int position = 0; position <= 96; ++position) {
                for (int slot = 0; slot < 16; ++slot) {
                    view.meter(IDC_SLOT_METER_BASE + slot, position - slot);
                }
                view.meter(IDC_SEND_METER, position);
            }
            view.warning("さばかんしました。", "あるえ");
        });
        worker.join();

        QTRY_VERIFY(dialog.findChild<QMessageBox*>() != nullptr);
        auto* box = dialog.findChild<QMessageBox*>();
        QCOMPARE(box->windowTitle(), QStringLiteral("あるえ"));
        QCOMPARE(box->text(), QStringLiteral("さばかんしました。"));
        QCOMPARE(box->icon(), QMessageBox::Warning);
        QCOMPARE(window.windowTitle(), QStringLiteral("Kovaro- 接続済"));
        QCOMPARE(qobject_cast<QLabel*>(window.controls().control(IDC_SLOT_NAME_BASE + 2))->text(),
                 QStringLiteral("ななし"));
        // Only the latest position of each meter counts.
        QTRY_COMPARE(qobject_cast<QProgressBar*>(window.controls().control(IDC_SEND_METER))->value(), 96);
        for (int slot = 0; slot < 16; ++slot) {
            QCOMPARE(qobject_cast<QProgressBar*>(window.controls().control(IDC_SLOT_METER_BASE + slot))->value(),
                     96 - slot);
        }
        box->close();
    }
};

QTEST_MAIN(QtShellTest)
#include "qt_shell_test.moc"
