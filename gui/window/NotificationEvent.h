#pragma once
// The notification of the programmer's threads as a Qt event: posted to the main window, which
// handles the events one at a time in posting order on the user-interface thread.

#include "protocol/NotificationSink.h"

#include <QEvent>
#include <QMutex>
#include <QPointer>

namespace ardent {

class TNotificationEvent : public QEvent {
public:
    static QEvent::Type EventType();
    TNotificationEvent(int code, int result) : QEvent(EventType()), fCode(code), fResult(result) {}
    // The main window reads 16 bits of the code and one byte of the result.
    TNotification Code() const { return static_cast<TNotification>(static_cast<uint16_t>(fCode)); }
    uint8_t Result() const { return static_cast<uint8_t>(fResult); }

private:
    int fCode;
    int fResult;
};

// Posts notifications to one receiver; after Detach they are dropped, so threads that outlive
// the window never reach it.
class TWindowNotificationSink : public INotificationSink {
public:
    explicit TWindowNotificationSink(QObject* receiver) : fReceiver(receiver) {}
    void PostNotification(int code, int result) override;
    void Detach();

private:
    QMutex fLock;
    QPointer<QObject> fReceiver;
};

} // namespace ardent
