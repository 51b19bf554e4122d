#include "SingleInstance.h"

#include <QLocalSocket>

#include <unistd.h>

namespace ardent {

namespace {
constexpr int kAnswerMs = 1000;
const char kRaiseRequest[] = "raise\n";
} // namespace

TSingleInstance::TSingleInstance(QString name, const QString& programmer) : fName(std::move(name)) {
    if (fName.isEmpty()) {
        fName = qEnvironmentVariable("ARDENT_INSTANCE_NAME");
    }
    if (fName.isEmpty()) {
        fName = QStringLiteral("ardent-%1").arg(::getuid());
    }
    if (!programmer.isEmpty()) {
        QString part = programmer;
        for (QChar& c : part) {
            const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                               (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
            if (!plain)
                c = '_';
        }
        fName += '-' + part;
    }
}

bool TSingleInstance::AskRunningCopyToRaise() {
    QLocalSocket socket;
    socket.connectToServer(fName);
    if (!socket.waitForConnected(kAnswerMs)) {
        return false;
    }
    socket.write(kRaiseRequest);
    socket.waitForBytesWritten(kAnswerMs);
    socket.disconnectFromServer();
    return true;
}

bool TSingleInstance::Listen(std::function<void()> raise) {
    fRaise = std::move(raise);
    fServer.setSocketOptions(QLocalServer::UserAccessOption);
    if (!fServer.listen(fName)) {
        // A socket left by a copy that crashed: nobody answered on it, so it can go.
        QLocalServer::removeServer(fName);
        if (!fServer.listen(fName)) {
            return false;
        }
    }
    connect(&fServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = fServer.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            if (fRaise) {
                fRaise();
            }
        }
    });
    return true;
}

} // namespace ardent
