// Where Ardent takes the plant's URL from, and that it starts no forwarder without one.
#include "model/RecordsForwarding.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <fstream>

using namespace ardent;

class RecordsForwardingTest : public QObject {
    Q_OBJECT

private slots:
    void urlComesFromTheEnvironmentBeforeTheSettings_data() {
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("url");
        QTest::newRow("settings only") << ""
                                       << "[RECORDS]\nURL=postgresql://plant/records\n"
                                       << "postgresql://plant/records";
        QTest::newRow("environment wins") << "postgresql://other/db"
                                          << "[RECORDS]\nURL=postgresql://plant/records\n"
                                          << "postgresql://other/db";
        QTest::newRow("neither") << ""
                                 << "[LOGFILE]\nCREATELOG=1\n"
                                 << "";
    }
    void urlComesFromTheEnvironmentBeforeTheSettings() {
        QFETCH(QString, environment);
        QFETCH(QString, settings);
        QFETCH(QString, url);
        QTemporaryDir folder;
        const std::string file = folder.filePath(QStringLiteral("Ardent.ini")).toStdString();
        std::ofstream(file) << settings.toStdString();
        if (environment.isEmpty()) {
            ::unsetenv("ARDENT_RECORDS_URL");
        } else {
            ::setenv("ARDENT_RECORDS_URL", environment.toUtf8().constData(), 1);
        }
        QCOMPARE(QString::fromStdString(RecordsUrlSetting(file)), url);
        ::unsetenv("ARDENT_RECORDS_URL");
    }

    void noForwarderWithoutAPlantOrWithRecordsOff() {
        QTemporaryDir folder;
        const std::string file = folder.filePath(QStringLiteral("Ardent.ini")).toStdString();
        ::unsetenv("ARDENT_RECORDS_URL");
        ::setenv("ARDENT_RECORDS", folder.filePath(QStringLiteral("r.sqlite")).toUtf8(), 1);
        QVERIFY(StartRecordsForwarder(file) == nullptr);
        ::setenv("ARDENT_RECORDS_URL", "postgresql:///ardent?host=/nonexistent", 1);
        ::setenv("ARDENT_RECORDS", "off", 1);
        QVERIFY(StartRecordsForwarder(file) == nullptr);
        // With both, the forwarder runs, and stops promptly although the plant is unreachable.
        ::setenv("ARDENT_RECORDS", folder.filePath(QStringLiteral("r.sqlite")).toUtf8(), 1);
        auto forwarder = StartRecordsForwarder(file);
        QVERIFY(forwarder != nullptr);
        forwarder.reset();
        ::unsetenv("ARDENT_RECORDS_URL");
        ::unsetenv("ARDENT_RECORDS");
    }
};

QTEST_GUILESS_MAIN(RecordsForwardingTest)
#include "RecordsForwardingTest.moc"
