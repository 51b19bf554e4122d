// The burn result log: file creation rules, the exact line bytes of each family, and that no
// burned chip's result is lost quietly.

#include "model/Logger.h"
#include "model/LoggerDP2B.h"
#include "model/LoggerDP3B.h"
#include "model/SettingsModel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "TestFiles.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ardent;

namespace {

const QByteArray kHeader = "Date,Comment,Serial,Channel,Result";

std::chrono::system_clock::time_point LocalTimePoint(int y, int mo, int d, int h, int mi, int s) {
    std::tm parts{};
    parts.tm_year = y - 1900;
    parts.tm_mon = mo - 1;
    parts.tm_mday = d;
    parts.tm_hour = h;
    parts.tm_min = mi;
    parts.tm_sec = s;
    parts.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&parts));
}

TBurningStatusChannelSingle Channel(uint8_t no, uint8_t state, uint16_t error = 0) {
    return TBurningStatusChannelSingle{no, state, error, 0};
}

TProcessTargetSendId Dp2bIds() {
    TProcessTargetSendId reply{};
    reply.dp2BIds = TChannelDP2BId{0xABCD, 0x1234, 1, 0x10, 0x20, 0x30};
    return reply;
}

} // namespace

class LoggerTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        fDir = std::make_unique<QTemporaryDir>();
        QVERIFY(fDir->isValid());
        QDir(fDir->path()).mkdir("share");
        for (const char* name : {"header_DP2A.hdr", "header_DP2B.hdr", "header_DP3B.hdr"}) {
            QVERIFY(WriteAll(fDir->filePath(QString("share/") + name), kHeader));
        }
        QDir(fDir->path()).mkdir("base");
        fSettings = std::make_unique<TSettingsModel>(fDir->filePath("s.ini").toStdString());
        fSettings->SetFolderPath(fDir->filePath("base").toStdString());
        fNow = LocalTimePoint(2024, 3, 5, 14, 7, 9);
        fWrite = nullptr;
    }

    void exampleLineOfDp2bByteForByte() {
        TLoggerDP2B logger("header_DP2B.hdr", *fSettings, Env());
        logger.setCfgName("PSU_A");
        logger.SetFwVersion(0x010603);
        logger.setKey("LOT7", 3);
        logger.setKey("S0002", 5);
        logger.StartLogging(true);
        QVERIFY(logger.isCreated() && logger.isStarted());
        const auto ids = Dp2bIds();
        QVERIFY(logger.SetLine(Channel(1, CHANNEL_PASSED), &ids));
        QCOMPARE(ReadAll(LogPath("logfile")),
                 kHeader + "\r\n2024/03/05,LOT7,S0002,CH2,0000ABCD,0000000000001234,00000001,"
                           "0010,0020,0030,1.6.3,2024/03/05 14:07:09,PSU_A,PASS");
    }

    void verdictTexts_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("pass") << 4 << 0
                              << QByteArray("\r\n2024/03/05,,,CH1,,2024/03/05 14:07:09,,PASS");
        QTest::newRow("code 61")
            << 3 << 61
            << QByteArray(
                   "\r\n2024/03/05,,,CH1,,2024/03/05 14:07:09,,FAIL(Error = CRC_NOT_CORRECT)");
        QTest::newRow("code above the table")
            << 3 << 120 << QByteArray("\r\n2024/03/05,,,CH1,,2024/03/05 14:07:09,,FAIL()");
        QTest::newRow("no verdict state")
            << 0 << 0
            << QByteArray("\r\n2024/03/05,,,CH1,,2024/03/05 14:07:09,,FAIL(Operation completed.)");
        QTest::newRow("inactive writes nothing") << 2 << 45 << QByteArray();
    }

    void verdictTexts() {
        QFETCH(int, state);
        QFETCH(int, code);
        QFETCH(QByteArray, line);
        TLogger logger("header_DP2A.hdr", *fSettings, Env());
        logger.setCfgName(""); // the programmer has told its (empty) name
        logger.StartLogging(true);
        QVERIFY(logger.SetLine(Channel(0, static_cast<uint8_t>(state), static_cast<uint16_t>(code)),
                               {}));
        QVERIFY(logger.SetLine(Channel(4, CHANNEL_PASSED), {})); // no such channel: nothing due
        QCOMPARE(ReadAll(LogPath("logfile")), kHeader + line);
    }

    void dp3bColumns_data() {
        QTest::addColumn<int>("fwSize");
        QTest::addColumn<QByteArray>("columns");
        QTest::newRow("no firmware ID bytes")
            << 0 << QByteArray("00000000CAFEF00D,,0000000000000042,");
        QTest::newRow("three bytes in stored order")
            << 3 << QByteArray("00000000CAFEF00D,0A0B0C,0000000000000042,");
        QTest::newRow("size above the field is cut at 12")
            << 40 << QByteArray("00000000CAFEF00D,0A0B0C000000000000000000,0000000000000042,");
    }

    void dp3bColumns() {
        QFETCH(int, fwSize);
        QFETCH(QByteArray, columns);
        TChannelDP3BId id{};
        id.chipId = 0xCAFEF00D;
        id.patchID = 0x42;
        id.firmwareIdSize = static_cast<uint8_t>(fwSize);
        id.firmwareID[0] = 0x0A;
        id.firmwareID[1] = 0x0B;
        id.firmwareID[2] = 0x0C;
        TProcessTargetSendId reply{};
        reply.dp3BIds = id;
        TLoggerDP3B logger("header_DP3B.hdr", *fSettings, Env());
        logger.StartLogging(true);
        QVERIFY(logger.SetLine(Channel(3, CHANNEL_PASSED), &reply));
        QCOMPARE(ReadAll(LogPath("logfile")),
                 kHeader + "\r\n2024/03/05,,,CH4," + columns + ",2024/03/05 14:07:09,,PASS");
    }

    void unreadIdsStillLogTheChannelWithEmptyColumns() {
        TLoggerDP2B logger("header_DP2B.hdr", *fSettings, Env());
        logger.StartLogging(true);
        QVERIFY(logger.SetLine(Channel(2, CHANNEL_FAILED, 3), {}));
        QVERIFY(ReadAll(LogPath("logfile"))
                    .endsWith("\r\n2024/03/05,,,CH3,,,,,,,,2024/03/05 14:07:09,,FAIL(Error = "
                              "UART_GND_SHORT)"));
    }

    // Files logfile.csv, logfile_2.csv, ... before and after one line is logged; a null entry
    // is a file that is not there.
    void appendRules_data() {
        QTest::addColumn<bool>("append");
        QTest::addColumn<QList<QByteArray>>("before");
        QTest::addColumn<QList<QByteArray>>("after");
        const QByteArray none;
        const QByteArray line = "\r\n2024/03/05,,,CH1,,2024/03/05 14:07:09,,PASS";
        const QByteArray old = kHeader + "\r\nold";
        QTest::newRow("append, no file: header")
            << true << QList<QByteArray>{} << QList<QByteArray>{kHeader + line, none};
        QTest::newRow("append, non-empty file: no second header")
            << true << QList<QByteArray>{old} << QList<QByteArray>{old + line, none};
        QTest::newRow("append, empty file: header first")
            << true << QList<QByteArray>{""} << QList<QByteArray>{kHeader + line, none};
        QTest::newRow("append, another family's header: new file beside it")
            << true << QList<QByteArray>{"Date,Other\r\nline"}
            << QList<QByteArray>{"Date,Other\r\nline", kHeader + line, none};
        QTest::newRow("no append, file with lines: kept whole, new file beside it")
            << false << QList<QByteArray>{old} << QList<QByteArray>{old, kHeader + line, none};
        QTest::newRow("no append, next names taken too: the first free one")
            << false << QList<QByteArray>{old, "x"}
            << QList<QByteArray>{old, "x", kHeader + line, none};
        QTest::newRow("no append, header-only file: taken over")
            << false << QList<QByteArray>{kHeader} << QList<QByteArray>{kHeader + line, none};
        QTest::newRow("no append, empty file: taken over")
            << false << QList<QByteArray>{""} << QList<QByteArray>{kHeader + line, none};
        QTest::newRow("no append, another family's header counts as lines")
            << false << QList<QByteArray>{"Date,Other"}
            << QList<QByteArray>{"Date,Other", kHeader + line, none};
    }

    void appendRules() {
        QFETCH(bool, append);
        QFETCH(QList<QByteArray>, before);
        QFETCH(QList<QByteArray>, after);
        TLoggerConfiguration c;
        c.appendLog = append;
        fSettings->SetConfiguration(c);
        for (int i = 0; i < before.size(); ++i) {
            QVERIFY(WriteAll(NumberedLogPath(i), before[i]));
        }
        TLogger logger("header_DP2A.hdr", *fSettings, Env());
        logger.StartLogging(true);
        QVERIFY(logger.SetLine(Channel(0, CHANNEL_PASSED), {}));
        for (int i = 0; i < after.size(); ++i) {
            QCOMPARE(QFile::exists(NumberedLogPath(i)), !after[i].isNull());
            QCOMPARE(ReadAll(NumberedLogPath(i)), after[i]);
        }
    }

    void stopAndStartWithoutAppendKeepsTheLinesAndGoesOnBesideThem() {
        TLogger logger("header_DP2A.hdr", *fSettings, Env());
        logger.setCfgName("");
        logger.StartLogging(true);
        QVERIFY(logger.SetLine(Channel(0, CHANNEL_PASSED), {}));
        logger.StartLogging(true); // already started: same file
        QVERIFY(logger.SetLine(Channel(1, CHANNEL_PASSED), {}));
        const QByteArray first = ReadAll(LogPath("logfile"));
        QCOMPARE(first.count("CH"), 2);
        logger.StartLogging(false);
        QVERIFY(!logger.isStarted());
        logger.StartLogging(true);
        QCOMPARE(QString::fromStdString(logger.LogFilePath()), LogPath("logfile_2"));
        QVERIFY(logger.SetLine(Channel(2, CHANNEL_PASSED), {}));
        QCOMPARE(ReadAll(LogPath("logfile")), first);
        QCOMPARE(ReadAll(LogPath("logfile_2")),
                 kHeader + "\r\n2024/03/05,,,CH3,,2024/03/05 14:07:09,,PASS");
        logger.StartLogging(false); // a header-only file is taken over, not passed by
        QVERIFY(WriteAll(LogPath("logfile_3"), kHeader));
        logger.StartLogging(true);
        QCOMPARE(QString::fromStdString(logger.LogFilePath()), LogPath("logfile_3"));
    }

    void fileNameFromConfigurationWithTimestamp() {
        TLoggerConfiguration c;
        c.useConfigFilaName = true;
        c.addTimestamp = true;
        fSettings->SetConfiguration(c);
        TLogger logger("header_DP2A.hdr", *fSettings, Env());
        logger.setCfgName("PSU/A"); // a name from the programmer never leaves the folder
        logger.StartLogging(true);
        QCOMPARE(QString::fromStdString(logger.LogFilePath()), LogPath("PSU_A_20240305_140709"));
    }

    // Two windows driving two programmers with the same settings write two files: the chosen
    // programmer's serial number is part of the name, before the time stamp.
    void chosenProgrammerNamesItsOwnLogFile() {
        TLoggerConfiguration c;
        c.useConfigFilaName = true;
        c.addTimestamp = true;
        fSettings->SetConfiguration(c);
        TLoggerEnvironment first = Env();
        first.programmer = "ORV0001";
        TLoggerEnvironment second = Env();
        second.programmer = "/dev/hidraw4";
        TLogger one("header_DP2A.hdr", *fSettings, first);
        TLogger two("header_DP2A.hdr", *fSettings, second);
        for (TLogger* logger : {&one, &two}) {
            logger->setCfgName("PSU_A");
            logger->StartLogging(true);
        }
        QCOMPARE(QString::fromStdString(one.LogFilePath()),
                 LogPath("PSU_A_ORV0001_20240305_140709"));
        QCOMPARE(QString::fromStdString(two.LogFilePath()),
                 LogPath("PSU_A__dev_hidraw4_20240305_140709"));
        QVERIFY(one.SetLine(Channel(0, CHANNEL_PASSED), {}));
        QVERIFY(two.SetLine(Channel(1, CHANNEL_PASSED), {}));
        QVERIFY(ReadAll(LogPath("PSU_A_ORV0001_20240305_140709"))
                    .endsWith(",CH1,,2024/03/05 14:07:09,PSU_A,PASS"));
        QVERIFY(ReadAll(LogPath("PSU_A__dev_hidraw4_20240305_140709"))
                    .endsWith(",CH2,,2024/03/05 14:07:09,PSU_A,PASS"));
    }

    void relativeMissingFolderIsCreatedUnderBase() {
        fSettings->SetFolderPath("logs");
        TLogger logger("header_DP2A.hdr", *fSettings, Env());
        logger.setCfgName("");
        logger.StartLogging(true);
        QVERIFY(logger.isCreated());
        QCOMPARE(ReadAll(fDir->filePath("base/logs/logfile.csv")), kHeader);
    }

    void missingHeaderLeavesStartedWithoutFileAndReportsLines() {
        TLogger logger("header_XX.hdr", *fSettings, Env());
        logger.StartLogging(true);
        QVERIFY(logger.isStarted());
        QVERIFY(!logger.isCreated());
        QVERIFY(!QFile::exists(LogPath("logfile")));
        QVERIFY(!logger.SetLine(Channel(0, CHANNEL_PASSED), {}));
        QVERIFY(!logger.TakeWriteError().empty());
    }

    void secondWriterOnSameFileIsRefused() {
        TLogger first("header_DP2A.hdr", *fSettings, Env());
        first.setCfgName("");
        first.StartLogging(true);
        TLogger second("header_DP2A.hdr", *fSettings, Env());
        second.setCfgName("");
        second.StartLogging(true);
        QVERIFY(first.isCreated());
        QVERIFY(!second.isCreated());
        QVERIFY(first.SetLine(Channel(0, CHANNEL_PASSED), {}));
        QCOMPARE(ReadAll(LogPath("logfile")).count("CH1"), 1);
    }

    void writeErrorIsReportedAndLeavesNoHalfLine() {
        TLogger logger("header_DP2A.hdr", *fSettings, Env());
        logger.StartLogging(true);
        QVERIFY(logger.SetLine(Channel(0, CHANNEL_PASSED), {}));
        const QByteArray good = ReadAll(LogPath("logfile"));
        int calls = 0;
        fWrite = [&calls](int fd, const void* data, size_t count) -> ssize_t {
            if (++calls == 1) {
                return ::write(fd, data, count / 2); // a short write, then the disk is full
            }
            errno = ENOSPC;
            return -1;
        };
        QVERIFY(!logger.SetLine(Channel(1, CHANNEL_PASSED), {}));
        QVERIFY(QString::fromStdString(logger.TakeWriteError()).contains("No space"));
        QVERIFY(logger.TakeWriteError().empty());
        QCOMPARE(ReadAll(LogPath("logfile")), good);
        fWrite = nullptr;
        QVERIFY(logger.SetLine(Channel(2, CHANNEL_PASSED), {}));
        QVERIFY(ReadAll(LogPath("logfile")).endsWith("PASS"));
    }

    void removedLogFileIsCreatedAgainSoNoLineVanishes() {
        TLogger logger("header_DP2A.hdr", *fSettings, Env());
        logger.setCfgName("");
        logger.StartLogging(true);
        QVERIFY(QFile::remove(LogPath("logfile")));
        QVERIFY(logger.SetLine(Channel(0, CHANNEL_PASSED), {}));
        QCOMPARE(ReadAll(LogPath("logfile")),
                 kHeader + "\r\n2024/03/05,,,CH1,,2024/03/05 14:07:09,,PASS");
    }

    void fileWaitsUntilTheProgrammerHasToldItsSetup() {
        TLogger logger("header_DP2A.hdr", *fSettings, Env());
        logger.StartLogging(true);
        QVERIFY(logger.isStarted());
        QCOMPARE(CsvFiles(), QStringList());
        logger.SetProgrammerSetup({"PSU_A", 0x010700, 1});
        QVERIFY(logger.isCreated());
        QVERIFY(logger.SetLine(Channel(0, CHANNEL_PASSED), {}));
        QCOMPARE(ReadAll(LogPath("logfile")),
                 kHeader + "\r\n2024/03/05,,,CH1,1.7.0,2024/03/05 14:07:09,PSU_A,PASS");
    }

    // The names the programmer tells one after the other (none: it never told one), then one
    // line: which files the log folder holds and the name the line carries.
    void fileNameRules_data() {
        QTest::addColumn<bool>("useConfig");
        QTest::addColumn<bool>("timestamp");
        QTest::addColumn<QStringList>("told");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("lineName");
        const QStringList none;
        QTest::newRow("configuration name")
            << true << false << QStringList{"PSU_A"} << QStringList{"PSU_A.csv"} << "PSU_A";
        QTest::newRow("configuration name and time stamp")
            << true << true << QStringList{"PSU_A"} << QStringList{"PSU_A_20240305_140709.csv"}
            << "PSU_A";
        QTest::newRow("empty name: the file name, never _<time>.csv")
            << true << true << QStringList{""} << QStringList{"logfile_20240305_140709.csv"} << "";
        QTest::newRow("empty name: never the hidden .csv")
            << true << false << QStringList{""} << QStringList{"logfile.csv"} << "";
        QTest::newRow("name starting with a dot: the file name")
            << true << false << QStringList{"..PSU"} << QStringList{"logfile.csv"} << "..PSU";
        QTest::newRow("never told: the first line makes the file of the file name")
            << true << false << none << QStringList{"logfile.csv"} << "";
        QTest::newRow("a new name after a store: its own file from then on")
            << true << false << QStringList{"PSU_A", "PSU_B"}
            << QStringList{"PSU_A.csv", "PSU_B.csv"} << "PSU_B";
        QTest::newRow("a new name, file named by the settings: same file, new name")
            << false << false << QStringList{"PSU_A", "PSU_B"} << QStringList{"logfile.csv"}
            << "PSU_B";
        QTest::newRow("control bytes of the name are shown as ?")
            << true << false << QStringList{"A\x1b[2J\r\nB"} << QStringList{"A?[2J??B.csv"}
            << "A?[2J??B";
    }

    void fileNameRules() {
        QFETCH(bool, useConfig);
        QFETCH(bool, timestamp);
        QFETCH(QStringList, told);
        QFETCH(QStringList, files);
        QFETCH(QString, lineName);
        TLoggerConfiguration c;
        c.useConfigFilaName = useConfig;
        c.addTimestamp = timestamp;
        fSettings->SetConfiguration(c);
        TLogger logger("header_DP2A.hdr", *fSettings, Env());
        logger.StartLogging(true);
        for (const QString& name : told) {
            logger.setCfgName(name.toStdString());
        }
        QVERIFY(logger.SetLine(Channel(0, CHANNEL_PASSED), {}));
        QCOMPARE(CsvFiles(), files);
        QCOMPARE(ReadAll(fDir->filePath("base/" + files.last())),
                 kHeader + "\r\n2024/03/05,,,CH1,,2024/03/05 14:07:09," + lineName.toLatin1() +
                     ",PASS");
    }

    // A setting changed while logging runs, then the window starts the logger again (as it does
    // when the settings dialog closes): the file the next line goes to.
    void settingsChangedWhileLoggingRun_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("file");
        QTest::newRow("folder") << "folder"
                                << "other/logfile.csv";
        QTest::newRow("file name") << "name"
                                   << "batch7.csv";
        QTest::newRow("time stamp") << "timestamp"
                                    << "logfile_20240305_140709.csv";
        QTest::newRow("configuration name") << "config"
                                            << "PSU_A.csv";
        QTest::newRow("append only: same file") << "append"
                                                << "logfile.csv";
        QTest::newRow("nothing: same file") << "nothing"
                                            << "logfile.csv";
    }

    void settingsChangedWhileLoggingRun() {
        QFETCH(QString, change);
        QFETCH(QString, file);
        TLogger logger("header_DP2A.hdr", *fSettings, Env());
        logger.setCfgName("PSU_A");
        logger.StartLogging(true);
        QVERIFY(logger.SetLine(Channel(0, CHANNEL_PASSED), {}));
        const QByteArray first = ReadAll(LogPath("logfile"));
        TLoggerConfiguration c = fSettings->GetConfiguration();
        if (change == "folder") {
            fSettings->SetFolderPath(fDir->filePath("base/other").toStdString());
        } else if (change == "name") {
            fSettings->SetFileName("batch7");
        }
        c.addTimestamp = change == "timestamp";
        c.useConfigFilaName = change == "config";
        c.appendLog = change == "append";
        fSettings->SetConfiguration(c);
        logger.StartLogging(true);
        QVERIFY(logger.SetLine(Channel(1, CHANNEL_PASSED), {}));
        const QString path = fDir->filePath("base/" + file);
        QCOMPARE(QString::fromStdString(logger.LogFilePath()), path);
        QVERIFY(ReadAll(path).endsWith(",CH2,,2024/03/05 14:07:09,PSU_A,PASS"));
        if (file != "logfile.csv") {
            QCOMPARE(ReadAll(LogPath("logfile")), first); // the old file keeps its line
            QCOMPARE(ReadAll(path).count("CH"), 1);
        }
    }

    // Each way a log file can fail a line: the reason names the file and what to do, the first
    // reason is not replaced by a later one, and once the cause is gone the next line is
    // written - to the same file, never to a new one beside it.
    void failedLineIsTriedAgain_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        const QString missing = " Lines of this burn are missing; the next burn tries again.";
        QTest::newRow("disk full")
            << "disk full"
            << "Log write to %1/base/logfile.csv failed: No space left on device. Lines of this "
               "burn are missing; make room on the disk or choose another folder in Settings. "
               "The next burn tries the file again.";
        QTest::newRow("folder is a file")
            << "folder"
            << "The log folder %1/base/logs does not exist and cannot be created (File exists); "
               "choose another folder in Settings." +
                   missing;
        QTest::newRow("header file missing")
            << "header"
            << "The log header file %1/share/header_DP2A.hdr cannot be read; install Ardent's "
               "header files again." +
                   missing;
        QTest::newRow("file in use by another program")
            << "locked"
            << "The log file %1/base/logfile.csv is in use by another program; close it or "
               "choose another file name in Settings." +
                   missing;
        QTest::newRow("a FIFO where the file should be")
            << "fifo"
            << "The log file %1/base/logfile.csv is not a regular file; choose another file name "
               "in Settings." +
                   missing;
    }

    void failedLineIsTriedAgain() {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        const QString csv = LogPath("logfile");
        const QString header = fDir->filePath("share/header_DP2A.hdr");
        int lockFd = -1;
        if (fault == "folder") {
            fSettings->SetFolderPath("logs");
            QVERIFY(WriteAll(fDir->filePath("base/logs"), "not a folder"));
        } else if (fault == "header") {
            QVERIFY(QFile::remove(header));
        } else if (fault == "locked") {
            lockFd = ::open(csv.toLocal8Bit().constData(), O_WRONLY | O_CREAT, 0664);
            QVERIFY(lockFd >= 0 && ::flock(lockFd, LOCK_EX) == 0);
        } else if (fault == "fifo") {
            QCOMPARE(::mkfifo(csv.toLocal8Bit().constData(), 0664), 0);
        }
        TLogger logger("header_DP2A.hdr", *fSettings, Env());
        logger.setCfgName("");
        logger.StartLogging(true);
        if (fault == "disk full") {
            QVERIFY(logger.SetLine(Channel(0, CHANNEL_PASSED), {}));
            fWrite = [](int, const void*, size_t) -> ssize_t {
                errno = ENOSPC;
                return -1;
            };
        }
        // Two channels of one burn are lost; the message is the first one's.
        QVERIFY(!logger.SetLine(Channel(1, CHANNEL_PASSED), {}));
        QVERIFY(!logger.SetLine(Channel(2, CHANNEL_FAILED, 3), {}));
        QCOMPARE(QString::fromStdString(logger.TakeWriteError()), reason.arg(fDir->path()));
        QCOMPARE(logger.TakeWriteError(), std::string());

        fWrite = nullptr;
        if (fault == "folder") {
            QVERIFY(QFile::remove(fDir->filePath("base/logs")));
        } else if (fault == "header") {
            QVERIFY(WriteAll(header, kHeader));
        } else if (fault == "locked") {
            ::close(lockFd);
        } else if (fault == "fifo") {
            QVERIFY(QFile::remove(csv));
        }
        QVERIFY(logger.SetLine(Channel(3, CHANNEL_PASSED), {}));
        const QString path = fault == "folder" ? fDir->filePath("base/logs/logfile.csv") : csv;
        QCOMPARE(QString::fromStdString(logger.LogFilePath()), path);
        QByteArray expected = kHeader;
        if (fault == "disk full") {
            expected += "\r\n2024/03/05,,,CH1,,2024/03/05 14:07:09,,PASS";
        }
        QCOMPARE(ReadAll(path), expected + "\r\n2024/03/05,,,CH4,,2024/03/05 14:07:09,,PASS");
        QVERIFY(!QFile::exists(LogPath("logfile_2")));
    }

    // The family of the configuration the programmer holds against the log's own columns.
    void linesOnlyUnderTheStoredFamilysHeader_data() {
        QTest::addColumn<uint>("stored");
        QTest::addColumn<QString>("reason");
        QTest::newRow("same family") << 2u << "";
        QTest::newRow("family not known") << 0u << "";
        QTest::newRow("DP3B configuration")
            << 3u
            << "The programmer holds a DP3B configuration, but this log is for DP2B: the burn "
               "was not logged. Select DP3B in the Target menu (expert mode).";
        QTest::newRow("DP2A configuration")
            << 1u
            << "The programmer holds a DP2A configuration, but this log is for DP2B: the burn "
               "was not logged. Select DP2A in the Target menu (expert mode).";
    }

    void linesOnlyUnderTheStoredFamilysHeader() {
        QFETCH(uint, stored);
        QFETCH(QString, reason);
        TLoggerDP2B logger("header_DP2B.hdr", *fSettings, Env());
        logger.SetProgrammerSetup({"PSU_A", 0x010700, stored});
        logger.StartLogging(true);
        const auto ids = Dp2bIds();
        QCOMPARE(logger.SetLine(Channel(0, CHANNEL_PASSED), &ids), reason.isEmpty());
        QCOMPARE(logger.FamilyMatches(), reason.isEmpty());
        QCOMPARE(QString::fromStdString(logger.TakeWriteError()), reason);
        QCOMPARE(ReadAll(LogPath("logfile")).count("CH1"), reason.isEmpty() ? 1 : 0);
    }

private:
    TLoggerEnvironment Env() {
        TLoggerEnvironment env;
        const std::string share = fDir->filePath("share").toStdString();
        const std::string base = fDir->filePath("base").toStdString();
        env.headerFile = [share](const std::string& name) { return share + "/" + name; };
        env.baseFolder = [base] { return base; };
        env.clock = [this] { return fNow; };
        env.write = [this](int fd, const void* data, size_t count) {
            return fWrite ? fWrite(fd, data, count) : ::write(fd, data, count);
        };
        return env;
    }

    QString LogPath(const QString& base) const { return fDir->filePath("base/" + base + ".csv"); }
    QStringList CsvFiles() const {
        return QDir(fDir->filePath("base"))
            .entryList({"*.csv"}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }
    // logfile.csv for 0, logfile_2.csv for 1, ...
    QString NumberedLogPath(int i) const {
        return LogPath(i == 0 ? QString("logfile") : QString("logfile_%1").arg(i + 1));
    }

    std::unique_ptr<QTemporaryDir> fDir;
    std::unique_ptr<TSettingsModel> fSettings;
    std::chrono::system_clock::time_point fNow;
    TLoggerEnvironment::WriteFunction fWrite;
};

QTEST_GUILESS_MAIN(LoggerTest)
#include "LoggerTest.moc"
