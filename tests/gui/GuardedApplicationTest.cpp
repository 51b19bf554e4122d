// Errors that leave a slot or an event handler are reported and the program goes on: a click,
// a key, a timer and a posted event whose handler raises.

#include "window/GuardedApplication.h"
#include "utils/Errors.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace ardent;

namespace {

// A widget whose key handler runs what the test gives it.
class RaisingWidget : public QWidget {
public:
    std::function<void()> onKey;
    std::function<void()> onPosted;

protected:
    void keyPressEvent(QKeyEvent*) override { onKey(); }
    void customEvent(QEvent*) override { onPosted(); }
};

[[noreturn]] void RaiseNumberError() {
    throw NumberConversionError("'three' is not a valid integer value");
}

} // namespace

class GuardedApplicationTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        fReports.clear();
        App().SetErrorReport([this](const QString& text) { fReports << text; });
    }

    void errorsLeavingHandlersAreReported_data() {
        QTest::addColumn<QString>("route");
        QTest::newRow("slot of a click") << "click";
        QTest::newRow("key event handler") << "key";
        QTest::newRow("timer slot") << "timer";
        QTest::newRow("posted event") << "posted";
    }

    void errorsLeavingHandlersAreReported() {
        QFETCH(QString, route);
        RaisingWidget widget;
        auto* button = new QPushButton(QStringLiteral("go"), &widget);
        connect(button, &QPushButton::clicked, &widget, [] { RaiseNumberError(); });
        widget.onKey = [] { RaiseNumberError(); };
        widget.onPosted = [] { throw std::runtime_error("posted handler failed"); };
        widget.show();
        if (route == "click") {
            QTest::mouseClick(button, Qt::LeftButton);
        } else if (route == "key") {
            QTest::keyClick(&widget, Qt::Key_A);
        } else if (route == "timer") {
            QTimer::singleShot(0, &widget, [] { RaiseNumberError(); });
            QTRY_VERIFY(!fReports.isEmpty());
        } else {
            QCoreApplication::postEvent(&widget, new QEvent(QEvent::User));
            QCoreApplication::sendPostedEvents(&widget);
        }
        QCOMPARE(fReports.size(), 1);
        QVERIFY2(fReports[0].startsWith("Unexpected error: "), qPrintable(fReports[0]));
        QCOMPARE(fReports[0].contains(route == "posted"
                                          ? "posted handler failed"
                                          : "NumberConversionError: 'three' is not a valid "
                                            "integer value"),
                 true);
        // Still running: the next click is handled as any other.
        bool clicked = false;
        auto* next = new QPushButton(QStringLiteral("next"), &widget);
        next->show();
        connect(next, &QPushButton::clicked, &widget, [&clicked] { clicked = true; });
        QTest::mouseClick(next, Qt::LeftButton);
        QVERIFY(clicked);
    }

    void aReportThatFailsDoesNotLoop() {
        int calls = 0;
        App().SetErrorReport([&calls](const QString&) {
            ++calls;
            RaiseNumberError(); // the box itself fails
        });
        QPushButton button(QStringLiteral("go"));
        connect(&button, &QPushButton::clicked, &button, [] { RaiseNumberError(); });
        button.show();
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(calls, 1);
    }

private:
    static TGuardedApplication& App() { return *static_cast<TGuardedApplication*>(qApp); }

    QStringList fReports;
};

int main(int argc, char* argv[]) {
    TGuardedApplication application(argc, argv);
    GuardedApplicationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "GuardedApplicationTest.moc"
