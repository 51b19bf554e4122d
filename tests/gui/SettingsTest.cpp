// The settings file of the windowed program: defaults, reading rules, and that a save keeps
// everything else the file holds.

#include "model/IniFile.h"
#include "model/SettingsModel.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "TestFiles.h"

using namespace ardent;

class SettingsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(fDir.isValid()); }

    void missingFileGivesDefaultsAndIsCreatedInWriteOrder() {
        const QString path = fDir.filePath("missing.ini");
        {
            TSettingsModel model(path.toStdString());
            const TLoggerConfiguration c = model.GetConfiguration();
            QVERIFY(!c.loggerEnabled && !c.useConfigFilaName && !c.addTimestamp && !c.appendLog &&
                    !c.skipInactive);
            QCOMPARE(model.GetFolderPath(), std::string());
            QCOMPARE(model.GetFileName(), std::string("logfile"));
            QCOMPARE(model.GetTargetType(), 1);
        }
        QCOMPARE(ReadAll(path), QByteArray("[LOGFILE]\nPATH=\nUSECONFIG=0\nCREATELOG=0\n"
                                           "NAME=logfile\nTIMESTAMP=0\nINACTIVESEL=0\nAPPEND=0\n"
                                           "\n[TARGET]\nTYPE=1\n"));
    }

    void typeThreeWithoutLogSectionStartsDp3bWithLoggerDefaults() {
        const QString path = fDir.filePath("t3.ini");
        QVERIFY(WriteAll(path, "[TARGET]\nTYPE=3\n"));
        TSettingsModel model(path.toStdString());
        QCOMPARE(model.GetTargetType(), 3);
        QCOMPARE(model.GetFileName(), std::string("logfile"));
        QVERIFY(!model.GetConfiguration().loggerEnabled);
    }

    void valuesAreReadByTheirRules_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("name");
        QTest::newRow("any non-zero integer is true")
            << QByteArray("[LOGFILE]\nCREATELOG=5\n") << true << 1 << "logfile";
        QTest::newRow("hex integer")
            << QByteArray("[LOGFILE]\nCREATELOG=0x10\n") << true << 1 << "logfile";
        QTest::newRow("not a number reads the default")
            << QByteArray("[LOGFILE]\nCREATELOG=yes\n[TARGET]\nTYPE=two\n") << false << 1
            << "logfile";
        QTest::newRow("names without regard to case, blanks and CR LF")
            << QByteArray("[logfile]\r\n  createlog = 1 \r\nName = lot 7\r\n[Target]\r\ntype=2\r\n")
            << true << 2 << "lot 7";
        QTest::newRow("empty name reads logfile")
            << QByteArray("[LOGFILE]\nNAME=\n") << false << 1 << "logfile";
    }

    void valuesAreReadByTheirRules() {
        QFETCH(QByteArray, file);
        QFETCH(bool, enabled);
        QFETCH(int, type);
        QFETCH(QString, name);
        const QString path = fDir.filePath("rules.ini");
        QVERIFY(WriteAll(path, file));
        TSettingsModel model(path.toStdString());
        QCOMPARE(model.GetConfiguration().loggerEnabled, enabled);
        QCOMPARE(model.GetTargetType(), type);
        QCOMPARE(QString::fromStdString(model.GetFileName()), name);
    }

    void saveKeepsOtherKeysSectionsAndLineEnds() {
        const QString path = fDir.filePath("keep.ini");
        QVERIFY(WriteAll(path, "; line PC 4\r\n[LOGFILE]\r\nCREATELOG=5\r\nOPERATOR=anna\r\n\r\n"
                               "[WINDOW]\r\nLEFT=10\r\n"));
        {
            TSettingsModel model(path.toStdString());
            model.SetTargetType(2);
            model.SetFolderPath("logs");
        }
        QCOMPARE(
            ReadAll(path),
            QByteArray("; line PC 4\r\n[LOGFILE]\r\nCREATELOG=1\r\nOPERATOR=anna\r\nPATH=logs\r\n"
                       "USECONFIG=0\r\nNAME=logfile\r\nTIMESTAMP=0\r\nINACTIVESEL=0\r\n"
                       "APPEND=0\r\n\r\n[WINDOW]\r\nLEFT=10\r\n\r\n[TARGET]\r\nTYPE=2\r\n"));
    }

    void setFileNameEmptyReadsLogfile() {
        TSettingsModel model(fDir.filePath("n.ini").toStdString());
        model.SetFileName("batch");
        QCOMPARE(model.GetFileName(), std::string("batch"));
        model.SetFileName("");
        QCOMPARE(model.GetFileName(), std::string("logfile"));
    }

    void loggerStartedDuringRunIsSavedAtExit() {
        const QString path = fDir.filePath("started.ini");
        {
            TSettingsModel model(path.toStdString());
            model.SetLoggerStarted(true);
        }
        TSettingsModel again(path.toStdString());
        QVERIFY(again.GetConfiguration().loggerEnabled);
        QVERIFY(ReadAll(path).contains("CREATELOG=1\n"));
    }

    void unwritableFileLosesChangesQuietly() {
        const QString path = fDir.filePath("ro.ini");
        QVERIFY(WriteAll(path, "[TARGET]\nTYPE=2\n"));
        QFile::setPermissions(path, QFileDevice::ReadOwner);
        {
            TSettingsModel model(path.toStdString());
            model.SetTargetType(3);
        } // must not throw out of the destructor
        QCOMPARE(ReadAll(path), QByteArray("[TARGET]\nTYPE=2\n"));
    }

private:
    QTemporaryDir fDir;
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "SettingsTest.moc"
