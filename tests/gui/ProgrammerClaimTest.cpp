// The window's claim on its programmer: one running copy per programmer (the local server name
// carries the chosen serial), and the owner lock taken before the transport starts, with the
// holder named while another process has it.

#include "flows/ProgrammerOwner.h"
#include "window/SingleInstance.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <unistd.h>

using namespace ardent;

class ProgrammerClaimTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        const QString base = QStringLiteral("ardent-claim-test-%1").arg(::getpid());
        qputenv("ARDENT_INSTANCE_NAME", base.toLocal8Bit());
        fBase = base;
    }
    void cleanup() {
        qunsetenv("ARDENT_INSTANCE_NAME");
        qunsetenv("ARDENT_PORTBRIDGE");
        qunsetenv("ARDENT_TEST_PROGRAMMERS");
    }

    void oneRunningCopyPerProgrammer() {
        TSingleInstance first({}, "ORV0001");
        QCOMPARE(first.Name(), fBase + "-ORV0001");
        QVERIFY(first.Listen([] {}));
        // The same programmer: the running copy answers; another one, or none chosen: nobody.
        QVERIFY(TSingleInstance({}, "ORV0001").AskRunningCopyToRaise());
        QVERIFY(!TSingleInstance({}, "ORV0002").AskRunningCopyToRaise());
        QVERIFY(!TSingleInstance().AskRunningCopyToRaise());
        QCOMPARE(TSingleInstance({}, "/dev/hidraw3").Name(), fBase + "-_dev_hidraw3");
    }

    void theOwnerLockIsTakenAndItsHolderNamed() {
        QTemporaryDir locks;
        qputenv("ARDENT_PORTBRIDGE", ARDENT_TEST_LISTING_LIBRARY);
        qputenv("ARDENT_TEST_PROGRAMMERS", "ORV0001|/dev/hidraw3|1;ORV0002|/dev/hidraw4|1");
        TProgrammerLock script("ORV0002", locks.path().toStdString());
        QVERIFY(script.TryAcquire("ArdentCmd"));

        TProgrammerOwner held("/dev/hidraw4", "Ardent", locks.path().toStdString());
        QVERIFY(!held.TryTake());
        QVERIFY(!held.Holds());
        QCOMPARE(QString::fromStdString(held.Problem()),
                 QStringLiteral("No programmer: programmer /dev/hidraw4 is held by another "
                                "process: pid %1 (ArdentCmd)")
                     .arg(::getpid()));
        script.Release();
        QVERIFY(held.TryTake());
        QVERIFY(held.Holds());
        QCOMPARE(ProgrammerHolder("ORV0002", locks.path().toStdString())->program,
                 std::string("Ardent"));

        // Several connected and none chosen: nothing to own; the connection says why.
        TProgrammerOwner unchosen("", "Ardent", locks.path().toStdString());
        QVERIFY(unchosen.TryTake());
        QVERIFY(!unchosen.Holds());
        QVERIFY(QString::fromStdString(unchosen.Problem())
                    .startsWith("No programmer: several are connected and none was chosen"));
        // Exactly one connected and none chosen: that one is owned.
        qputenv("ARDENT_TEST_PROGRAMMERS", "ORV0001|/dev/hidraw3|1");
        QVERIFY(unchosen.TryTake());
        QVERIFY(unchosen.Holds());
        QVERIFY(ProgrammerHolder("ORV0001", locks.path().toStdString()).has_value());
    }

private:
    QString fBase;
};

QTEST_GUILESS_MAIN(ProgrammerClaimTest)
#include "ProgrammerClaimTest.moc"
