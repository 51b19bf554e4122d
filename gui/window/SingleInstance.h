#pragma once
// One copy of Ardent per user session and programmer: the first copy listens on a local socket; a
// second copy for the same programmer finds it there, asks it to raise its window and ends. A
// copy for another programmer (chosen by serial number) has another socket and runs beside it.

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <functional>

namespace ardent {

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    // `name` empty: ARDENT_INSTANCE_NAME, else "ardent-<user id>"; either followed by
    // "-<programmer>" when a programmer is chosen (characters other than letters, digits, '-',
    // '_' and '.' become '_').
    explicit TSingleInstance(QString name = QString(), const QString& programmer = QString());

    // True when another copy answered (it has been asked to raise its window).
    bool AskRunningCopyToRaise();
    // Listens for later copies; `raise` runs on each request. False when listening failed.
    bool Listen(std::function<void()> raise);
    const QString& Name() const { return fName; }

private:
    QString fName;
    QLocalServer fServer;
    std::function<void()> fRaise;
};

} // namespace ardent
