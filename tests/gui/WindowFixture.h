#pragma once
// The program-wide objects and the main window of a GUI test, without a programmer unless the
// test starts the transport: settings in a private folder, logs under it, the shipped headers.

#include "FakeDialogs.h"
#include "TestFiles.h"
#include "operations/ProgramObjects.h"
#include "window/OTP.h"

#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <unistd.h>

#include <memory>

class WindowFixture {
public:
    // Writes `settings` as the settings file, then creates the objects and the shown window.
    explicit WindowFixture(const QByteArray& settings) {
        const QString settingsFile = dir.filePath("Ardent.ini");
        WriteAll(settingsFile, settings);
        ardent::TProgramOptions options;
        options.settingsFile = settingsFile.toStdString();
        const std::string base = dir.path().toStdString();
        options.logEnvironment.headerFile = [](const std::string& name) {
            return std::string(ARDENT_HEADERS_DIR) + "/" + name;
        };
        options.logEnvironment.baseFolder = [base] { return base; };
        // A test can make the disk refuse log lines (failWrites).
        options.logEnvironment.write = [this](int fd, const void* data, size_t count) -> ssize_t {
            if (failWrites) {
                errno = ENOSPC;
                return -1;
            }
            return ::write(fd, data, count);
        };
        app = std::make_unique<ardent::TProgramObjects>(options);
        app->settings->SetFolderPath("logs");
        window = std::make_unique<ardent::TOTP>(*app, dialogs);
        window->show();
    }

    ~WindowFixture() {
        window.reset(); // stops the transport and waits for running operations first
        app.reset();
    }

    void StartTransport() { app->StartTransport(window->Sink()); }
    QString LogFile() const { return dir.filePath("logs/logfile.csv"); }

    QTemporaryDir dir;
    std::atomic<bool> failWrites{false};
    FakeDialogs dialogs;
    std::unique_ptr<ardent::TProgramObjects> app;
    std::unique_ptr<ardent::TOTP> window;
};
