// Ardent: the windowed program. Start-up order: single-instance check, application, program-wide
// objects, main window and its dialogs, transport (controller, receive queue, receive and send
// threads), one connect, event loop; at the end the transport stops before the objects go.

#include "model/AppPaths.h"
#include "operations/ProgramObjects.h"
#include "operations/WaitClock.h"
#include "window/Dialogs.h"
#include "window/OTP.h"
#include "window/SingleInstance.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

using namespace ardent;

namespace {

// Dry runs and tests against the simulated programmer may shorten the programmer waits.
TWaitClock ClockFromEnvironment() {
    if (const char* scale = std::getenv("ARDENT_TIMEOUT_SCALE")) {
        if (const auto value = ParseTimeoutScale(scale)) {
            return TWaitClock(*value);
        }
    }
    return TWaitClock();
}

// "--grab FILE": once the programmer is initialised (or after a few seconds without one), the
// window is saved as a picture and the program ends; it prints how long the start took.
QString GrabFile(const QStringList& arguments) {
    const int at = static_cast<int>(arguments.indexOf(QStringLiteral("--grab")));
    return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1] : QString();
}

} // namespace

int main(int argc, char* argv[]) {
    QElapsedTimer started;
    started.start();
    QApplication application(argc, argv);
    TSingleInstance instance;
    if (instance.AskRunningCopyToRaise()) {
        return 0;
    }

    TProgramOptions options;
    options.settingsFile = SettingsFilePath();
    options.clock = ClockFromEnvironment();
    TProgramObjects app(std::move(options));
    TQtDialogs dialogs;
    int status = 0;
    {
        TOTP window(app, dialogs);
        instance.Listen([&window] {
            window.showNormal();
            window.raise();
            window.activateWindow();
        });
        app.StartTransport(window.Sink());

        const QString grab = GrabFile(QCoreApplication::arguments());
        if (!grab.isEmpty()) {
            QTimer* poll = new QTimer(&window);
            QObject::connect(poll, &QTimer::timeout, &window, [&, poll] {
                const bool ready = app.deviceSetup.CheckCanCreateLogger();
                if (!ready && started.elapsed() < 3000) {
                    return;
                }
                poll->stop();
                std::printf("start to %s window: %lld ms\n", ready ? "initialised" : "shown",
                            static_cast<long long>(started.elapsed()));
                std::fflush(stdout);
                window.grab().save(grab);
                window.close();
            });
            poll->start(5);
        }
        window.show();
        status = application.exec();
    } // the window stops the transport and waits for running operations
    return status;
}
