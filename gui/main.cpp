// Ardent: the windowed program. Start-up order: single-instance check, application, program-wide
// objects, main window and its dialogs, transport (controller, receive queue, receive and send
// threads), one connect, event loop; at the end the transport stops before the objects go.

#include "flows/ProgramObjects.h"
#include "flows/ProgrammerOwner.h"
#include "model/AppPaths.h"
#include "model/RecordsForwarding.h"
#include "operations/WaitClock.h"
#include "window/AboutWindow.h"
#include "window/DetectedIdsWindow.h"
#include "window/Dialogs.h"
#include "window/ExpertPanel.h"
#include "window/GuardedApplication.h"
#include "window/HelpWindow.h"
#include "window/MainWindow.h"
#include "window/OperatorPanelLogger.h"
#include "window/Settings.h"
#include "window/SingleInstance.h"

#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

using namespace ardent;

namespace {

// "--grab FILE [--expert | --trigger | --detect] [--open CFG]": once the programmer is initialised
// (or after a few seconds without one), the window (in expert mode with --expert, after File, Open
// of CFG with --open) is saved as a picture and the program ends; it prints how long the start
// took. Boxes are printed instead of shown.
QString ArgumentAfter(const QStringList& arguments, const QString& option) {
    const int at = static_cast<int>(arguments.indexOf(option));
    return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1] : QString();
}

QString GrabFile(const QStringList& arguments) {
    return ArgumentAfter(arguments, QStringLiteral("--grab"));
}

// The boxes of a --grab run: written to standard output, answered Yes, so nothing waits; the
// file to open is the one given with --open.
class TGrabDialogs : public IDialogs {
public:
    explicit TGrabDialogs(QString openFile) : fOpenFile(std::move(openFile)) {}
    void Error(QWidget*, const QString& text) override { Print("error", text); }
    void Information(QWidget*, const QString& text) override { Print("information", text); }
    bool Confirm(QWidget*, const QString& text) override {
        Print("confirm", text);
        return true;
    }
    QString OpenFile(QWidget*, const QString&, const QString&) override { return fOpenFile; }
    QString SaveFile(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString BrowseFolder(QWidget*, const QString&, const QString&) override { return {}; }

private:
    static void Print(const char* kind, const QString& text) {
        std::printf("%s box: %s\n", kind, text.toLocal8Bit().constData());
    }

    QString fOpenFile;
};

} // namespace

int main(int argc, char* argv[]) {
    QElapsedTimer started;
    started.start();
    TGuardedApplication application(argc, argv);
    // "--programmer SERIAL" (or a device path): the programmer this window drives. The transport
    // library reads the choice from the environment, so it is set before the library loads.
    const QString chosenArgument =
        ArgumentAfter(QCoreApplication::arguments(), QStringLiteral("--programmer"));
    if (!chosenArgument.isEmpty()) {
        qputenv(kProgrammerEnvironment, chosenArgument.toLocal8Bit());
    }
    const std::string chosen = ChosenProgrammer();
    TSingleInstance instance({}, QString::fromStdString(chosen));
    if (instance.AskRunningCopyToRaise()) {
        return 0;
    }

    TProgramOptions options;
    // A dry run or a test may keep its settings apart from the line PC's.
    const QString settingsFile = qEnvironmentVariable("ARDENT_SETTINGS_FILE");
    options.settingsFile = settingsFile.isEmpty() ? SettingsFilePath() : settingsFile.toStdString();
    options.clock = WaitClockFromEnvironment();
    options.logEnvironment.programmer = chosen;
    // Forwarding of burn records to the plant, for as long as the program runs.
    const auto recordsForwarder = StartRecordsForwarder(options.settingsFile);
    TProgramObjects app(std::move(options));
    const QString grab = GrabFile(QCoreApplication::arguments());
    TQtDialogs realDialogs;
    TGrabDialogs grabDialogs(
        ArgumentAfter(QCoreApplication::arguments(), QStringLiteral("--open")));
    IDialogs& dialogs = grab.isEmpty() ? static_cast<IDialogs&>(realDialogs) : grabDialogs;
    int status = 0;
    {
        // Declared before the window, so the programmer stays owned until the window has stopped
        // the transport.
        TProgrammerOwner owner(chosen, OwnProgramName("Ardent"));
        TMainWindow window(app, dialogs);
        application.SetErrorReport(
            [&dialogs, &window](const QString& text) { dialogs.Error(&window, text); });
        instance.Listen([&window] {
            window.showNormal();
            window.raise();
            window.activateWindow();
        });
        window.SetChosenProgrammer(QString::fromStdString(chosen));
        // The programmer is talked to only once this window owns it; while another process
        // holds it, the status line names that process and the claim is tried again.
        const auto startTransport = [&app, &window, &owner] {
            app.StartTransport(window.Sink());
            // The connection comes through the transport's watch; a moment later, a window still
            // without programmer says why.
            QTimer::singleShot(2000, &window, [&app, &window, &owner] {
                if (!app.IsConnected()) {
                    window.SetConnectProblem(QString::fromStdString(owner.Problem()));
                }
            });
        };
        if (owner.TryTake()) {
            startTransport();
        } else {
            window.SetConnectProblem(QString::fromStdString(owner.Problem()));
            QTimer* claim = new QTimer(&window);
            QObject::connect(claim, &QTimer::timeout, &window, [&, claim] {
                if (owner.TryTake()) {
                    claim->stop();
                    window.SetConnectProblem({});
                    startTransport();
                }
            });
            claim->start(1000);
        }

        if (!grab.isEmpty()) {
            QTimer* poll = new QTimer(&window);
            bool burnStarted = false;
            QObject::connect(poll, &QTimer::timeout, &window, [&, poll] {
                const QStringList arguments = QCoreApplication::arguments();
                const bool ready = window.Initialised();
                if (!ready && started.elapsed() < 3000) {
                    return;
                }
                const bool trigger = arguments.contains(QStringLiteral("--trigger"));
                const bool detect = arguments.contains(QStringLiteral("--detect"));
                if (trigger || detect) {
                    TMainPanel* panel = window.CurrentPanel();
                    if (!burnStarted) {
                        burnStarted = true;
                        std::printf("start to initialised window: %lld ms\n",
                                    static_cast<long long>(started.elapsed()));
                        if (trigger) {
                            window.OperatorPanel()->btnTriggerClick();
                        } else {
                            window.mniExpert1Click();
                            window.ExpertPanel()->btnDetectClick();
                        }
                        return;
                    }
                    if (panel != nullptr && !panel->getCanChange()) {
                        return; // the burn still runs
                    }
                } else {
                    std::printf("start to %s window: %lld ms\n", ready ? "initialised" : "shown",
                                static_cast<long long>(started.elapsed()));
                }
                poll->stop();
                if (arguments.contains(QStringLiteral("--expert"))) {
                    window.mniExpert1Click();
                }
                if (arguments.contains(QStringLiteral("--open"))) {
                    window.mniOpen1Click();
                }
                std::fflush(stdout);
                window.grab().save(grab);
                if (detect) {
                    window.DetectWindow().grab().save(grab + QStringLiteral(".detect.png"));
                }
                if (arguments.contains(QStringLiteral("--dialogs"))) {
                    window.SettingsDialog().FormShow();
                    window.SettingsDialog().grab().save(grab + QStringLiteral(".settings.png"));
                    window.AboutWindow().grab().save(grab + QStringLiteral(".about.png"));
                    window.HelpWindow().grab().save(grab + QStringLiteral(".help.png"));
                }
                window.close();
            });
            poll->start(5);
        }
        window.show();
        status = application.exec();
        application.SetErrorReport(nullptr);
    } // the window stops the transport and waits for running operations
    return status;
}
