#include "NotificationEvent.h"

#include <QCoreApplication>
#include <QMutexLocker>

namespace ardent {

QEvent::Type TNotificationEvent::EventType() {
    static const auto type =
        static_cast<QEvent::Type>(QEvent::registerEventType(QEvent::User + 25));
    return type;
}

void TWindowNotificationSink::PostNotification(int code, int result) {
    QMutexLocker lock(&fLock);
    if (fReceiver) {
        QCoreApplication::postEvent(fReceiver.data(), new TNotificationEvent(code, result));
    }
}

void TWindowNotificationSink::Detach() {
    QMutexLocker lock(&fLock);
    fReceiver = nullptr;
}

} // namespace ardent
