#pragma once
// A simulated programmer of the GUI tests' own: ardent-progsim on a private socket, reached by
// the transport library libportbridge-sim.so, and driven by its control commands.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class SimulatedProgrammer {
public:
    // Starts the daemon in the foreground on a socket in a private folder and points this
    // process's transport at it (ARDENT_PORTBRIDGE, ARDENT_SIM_SOCKET).
    SimulatedProgrammer() {
        fSocket = fDir.filePath("sim.sock");
        fDaemon.setProgram(QStringLiteral(ARDENT_BIN_DIR "/ardent-progsim"));
        fDaemon.setArguments({QStringLiteral("--socket"), fSocket, QStringLiteral("--foreground")});
        fDaemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        fDaemon.start();
        fStarted = fDaemon.waitForStarted(5000) && fDaemon.waitForReadyRead(5000) &&
                   fDaemon.readAll().startsWith("ready");
        qputenv("ARDENT_PORTBRIDGE", ARDENT_BIN_DIR "/libportbridge-sim.so");
        qputenv("ARDENT_SIM_SOCKET", fSocket.toLocal8Bit());
    }

    ~SimulatedProgrammer() {
        Control(QStringLiteral("quit"));
        if (!fDaemon.waitForFinished(2000)) {
            fDaemon.kill();
            fDaemon.waitForFinished(2000);
        }
    }

    bool Started() const { return fStarted; }
    const QString& Socket() const { return fSocket; }

    // One control command ("unplug", "store FILE", "verdict 2 fail 3"); its reply line.
    QString Control(const QString& command) {
        QProcess ctl;
        QStringList arguments{QStringLiteral("ctl"), QStringLiteral("--socket"), fSocket};
        arguments += command.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        ctl.start(QStringLiteral(ARDENT_BIN_DIR "/ardent-progsim"), arguments);
        ctl.waitForFinished(5000);
        return QString::fromLocal8Bit(ctl.readAllStandardOutput()).trimmed();
    }

private:
    QTemporaryDir fDir;
    QString fSocket;
    QProcess fDaemon;
    bool fStarted = false;
};
