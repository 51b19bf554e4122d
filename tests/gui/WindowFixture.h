#pragma once
// The program-wide objects and the main window of a GUI test, without a programmer unless the
// test starts the transport: settings in a private folder, logs under it, the shipped headers.

#include "FakeDialogs.h"
#include "TestFiles.h"
#include "flows/ProgramObjects.h"
#include "window/MainWindow.h"

#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <unistd.h>

#include <memory>

class WindowFixture {
public:
    // Writes `settings` as the settings file, then creates the objects and the shown window.
    // The settings file and the logs are in `folder` (a program started again there finds what
    // the last one left), else in a private folder.
    explicit WindowFixture(const QByteArray& settings, const QString& folder = {})
        : base(folder.isEmpty() ? dir.path() : folder) {
        const QString settingsFile = base + "/Ardent.ini";
        WriteAll(settingsFile, settings);
        ardent::TProgramOptions options;
        options.settingsFile = settingsFile.toStdString();
        const std::string logBase = base.toStdString();
        options.logEnvironment.headerFile = [](const std::string& name) {
            return std::string(ARDENT_HEADERS_DIR) + "/" + name;
        };
        options.logEnvironment.baseFolder = [logBase] { return logBase; };
        // A test can make the disk refuse log lines (failWrites).
        options.logEnvironment.write = [this](int fd, const void* data, size_t count) -> ssize_t {
            if (failWrites) {
                errno = ENOSPC;
                return -1;
            }
            return ::write(fd, data, count);
        };
        // The window's burn records stay in the test's folder.
        options.recordsPath = (base + "/records.sqlite").toStdString();
        app = std::make_unique<ardent::TProgramObjects>(options);
        app->settings->SetFolderPath("logs");
        window = std::make_unique<ardent::TMainWindow>(*app, dialogs);
        window->show();
    }

    ~WindowFixture() {
        window.reset(); // stops the transport and waits for running operations first
        app.reset();
    }

    void StartTransport() { app->StartTransport(window->Sink()); }
    QString LogFile() const { return base + "/logs/logfile.csv"; }

    QTemporaryDir dir;
    const QString base;
    std::atomic<bool> failWrites{false};
    FakeDialogs dialogs;
    std::unique_ptr<ardent::TProgramObjects> app;
    std::unique_ptr<ardent::TMainWindow> window;
};
