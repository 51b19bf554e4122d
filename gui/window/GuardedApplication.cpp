#include "GuardedApplication.h"

#include "utils/Errors.h"

#include <cstdio>

namespace ardent {

TGuardedApplication::TGuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void TGuardedApplication::SetErrorReport(TErrorReport report) {
    fReport = std::move(report);
}

bool TGuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const ArdentError& error) {
        Report(QString::fromLatin1(error.TypeName()) + QStringLiteral(": ") +
               QString::fromLocal8Bit(error.what()));
    } catch (const std::exception& error) {
        Report(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        Report(QStringLiteral("an error of unknown kind"));
    }
    return false;
}

void TGuardedApplication::Report(const QString& error) {
    const QString text =
        QStringLiteral("Unexpected error: ") + error +
        QStringLiteral("\r\nThe last action was not completed; check its result before going on.");
    if (!fReport || fReporting) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        return;
    }
    fReporting = true;
    try {
        fReport(text);
    } catch (...) {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
    fReporting = false;
}

} // namespace ardent
