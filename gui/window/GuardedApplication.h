#pragma once
// TGuardedApplication: Ardent's application object. Qt carries no error through its event loop:
// one that leaves a slot or an event handler would end the program and leave the line without
// its tool mid-shift. Every event is delivered through notify, so an error is caught there and
// reported instead, and the program goes on.

#include <QApplication>

#include <functional>

namespace ardent {

class TGuardedApplication : public QApplication {
public:
    // How a caught error reaches the user (a box); without one it goes to standard error.
    using TErrorReport = std::function<void(const QString& text)>;

    TGuardedApplication(int& argc, char** argv);
    void SetErrorReport(TErrorReport report);

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void Report(const QString& text);

    TErrorReport fReport;
    // A report that fails in turn is not reported from inside itself.
    bool fReporting = false;
};

} // namespace ardent
