// The windowed program's operation flows against a scripted programmer: what each flow stores,
// which notification it posts, and what reaches the burn log.

#include "TestFiles.h"
#include "configuration/Configuration.h"
#include "flows/BurnRecording.h"
#include "flows/DeviceSetup.h"
#include "flows/DeviceSetupThread.h"
#include "flows/OperationRunner.h"
#include "flows/ProgramObjects.h"
#include "flows/TargetThread.h"
#include "input/MessageOutput.h"
#include "model/LoggerDP2B.h"
#include "model/SettingsModel.h"
#include "operations/DeviceSetupHandler.h"
#include "operations/QueueExchange.h"
#include "operations/TargetHandler.h"
#include "protocol/NotificationSink.h"
#include "targets/TargetDP2A.h"

#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>

#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

using namespace ardent;

namespace {

struct RecordingSink : INotificationSink {
    void PostNotification(int code, int result) override {
        std::lock_guard lock(fLock);
        posted.emplace_back(code, result);
    }
    std::vector<std::pair<int, int>> Posted() {
        std::lock_guard lock(fLock);
        return posted;
    }
    std::mutex fLock;
    std::vector<std::pair<int, int>> posted;
};

struct NoMessages : IMessageOutput {
    void ShowMessage(const std::string&) override {}
};

// A programmer that answers each request the way the test scripts it. Answers are delivered to
// the handler's queue as the receive thread would; nothing answers when `answer` gives nothing.
class ScriptedProgrammer {
public:
    using Answer = std::function<std::optional<TPacketFormat>(const TPacketFormat&)>;

    ScriptedProgrammer()
        : setupExchange([this](const TPacketFormat& r) { return Handle(r, setupExchange); }),
          targetExchange([this](const TPacketFormat& r) { return Handle(r, targetExchange); }) {}

    bool connected = true;
    Answer answer;
    std::vector<TPacketFormat> requests;
    TQueueExchange setupExchange;
    TQueueExchange targetExchange;

private:
    bool Handle(const TPacketFormat& request, TQueueExchange& exchange) {
        if (!connected) {
            return false;
        }
        requests.push_back(request);
        if (answer) {
            if (auto reply = answer(request)) {
                exchange.Deliver(*reply);
            }
        }
        return true;
    }
};

TPacketFormat Reply(const TPacketFormat& request, uint8_t status = 0) {
    TPacketFormat reply{};
    reply.header = request.header;
    reply.header.status = status;
    return reply;
}

template <typename T>
TPacketFormat ReplyWith(const TPacketFormat& request, const T& record, uint8_t status = 0) {
    TPacketFormat reply = Reply(request, status);
    std::memcpy(reply.data, &record, sizeof(T));
    return reply;
}

TProcessTargetSendId PassedIds(uint8_t channel) {
    TProcessTargetSendId ids{};
    ids.channelNumber = channel;
    ids.channelState = CHANNEL_PASSED;
    ids.dp2BIds.deviceID = 0x100u + channel;
    return ids;
}

// Calls `onPost` when a notification is posted, as the window would look then.
struct CountingSink : INotificationSink {
    explicit CountingSink(std::function<void()> onPost) : fOnPost(std::move(onPost)) {}
    void PostNotification(int, int) override { fOnPost(); }
    std::function<void()> fOnPost;
};

// The rows of `sql` in the database at `path`, each "a|b|c" (NULL as "NULL").
std::vector<std::string> Rows(const std::string& path, const char* sql) {
    std::vector<std::string> rows;
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(path.c_str(), &handle, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_exec(
            handle, sql,
            [](void* out, int count, char** values, char**) {
                std::string row;
                for (int i = 0; i < count; ++i)
                    row += std::string(i ? "|" : "") + (values[i] ? values[i] : "NULL");
                static_cast<std::vector<std::string>*>(out)->push_back(row);
                return 0;
            },
            &rows, nullptr);
    }
    sqlite3_close(handle);
    return rows;
}

} // namespace

class OperationFlowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        fProgrammer = std::make_unique<ScriptedProgrammer>();
        fSetupHandler = std::make_unique<TDeviceSetupHandler>(THandlerSetup{
            fProgrammer->setupExchange, TRequestTimeouts::Windowed(), TWaitClock(0.001)});
        fTargetHandler = std::make_unique<TTargetHandler>(THandlerSetup{
            fProgrammer->targetExchange, TRequestTimeouts::Windowed(), TWaitClock(0.001)});
        fDeviceSetup = std::make_unique<TDeviceSetup>();
        fSink = std::make_unique<RecordingSink>();
        fTarget = std::make_shared<TTargetDP2A>(fMessages);
    }

    void programmerModelTexts() {
        TDeviceSetup model;
        QCOMPARE(model.GetConfigurationName(), std::string("No config"));
        QCOMPARE(model.GetFirmwareVersionString(), std::string());
        QVERIFY(!model.CheckCanCreateLogger());
        TDeviceConfigurationStruct info{};
        std::memset(info.configName, 'N', sizeof(info.configName));
        model.SetConfigurationInfo(true, info);
        QCOMPARE(model.GetConfigurationName(), std::string(32, 'N'));
        std::memcpy(info.configName, "ABC\0\0\0", 6);
        model.SetConfigurationInfo(true, info);
        QCOMPARE(model.GetConfigurationName(), std::string("ABC"));
        model.SetConfigurationInfo(false, TDeviceConfigurationStruct{});
        QCOMPARE(model.GetConfigurationName(), std::string("No config"));
        TDeviceBurnerInfo burner{};
        burner.firmwareVersion = 0x010602;
        model.SetBurnerInfo(true, burner);
        QVERIFY(!model.CheckFwVersion());
        QCOMPARE(model.GetFirmwareVersionString(), std::string("1.6.2"));
        QCOMPARE(TDeviceSetup::MinimumFirmwareVersionString(), std::string("1.6.3"));
    }

    void initializationWithoutStoredConfiguration() {
        fProgrammer->answer = [](const TPacketFormat& r) -> std::optional<TPacketFormat> {
            if (r.header.opCode == ProgrammerOp::GetDeviceSetup) {
                TDeviceBurnerInfo info{};
                info.firmwareVersion = 0x010700;
                info.cardInserted = 1;
                return ReplyWith(r, info);
            }
            if (r.header.opCode == ProgrammerOp::GetConfigurationInfo) {
                return ReplyWith(r, TDeviceConfigurationStruct{});
            }
            return Reply(r);
        };
        RunSetup(TDeviceSetupThread::Initialization);
        QCOMPARE(fSink->Posted(), (std::vector<std::pair<int, int>>{{1, 1}}));
        QCOMPARE(fDeviceSetup->GetFirmwareVersionString(), std::string("1.7.0"));
        QCOMPARE(fDeviceSetup->GetBurnerInfo().cardInserted, uint8_t{1});
        QVERIFY(fDeviceSetup->CheckCanCreateLogger());
        QVERIFY(!fDeviceSetup->CheckExistConfigurationName());
        // GetDeviceSetup, SetTriggerBehavior(1, 1, 1), GetConfigurationInfo.
        QCOMPARE(fProgrammer->requests.size(), size_t{3});
        QCOMPARE(fProgrammer->requests[1].data[0], uint8_t{1});
        QCOMPARE(fProgrammer->requests[1].data[1], uint8_t{1});
        QCOMPARE(fProgrammer->requests[1].data[2], uint8_t{1});
    }

    void initializationArmsTheExternalTriggerOnlyForSupportedFirmware_data() {
        QTest::addColumn<uint32_t>("firmware");
        QTest::addColumn<int>("armed");
        QTest::newRow("1.6.3, the lowest supported") << uint32_t{0x010603} << 1;
        QTest::newRow("1.6.2, outdated") << uint32_t{0x010602} << 0;
    }

    void initializationArmsTheExternalTriggerOnlyForSupportedFirmware() {
        QFETCH(uint32_t, firmware);
        QFETCH(int, armed);
        fProgrammer->answer = [firmware](const TPacketFormat& r) -> std::optional<TPacketFormat> {
            TDeviceBurnerInfo info{};
            info.firmwareVersion = firmware;
            return r.header.opCode == ProgrammerOp::GetDeviceSetup ? ReplyWith(r, info) : Reply(r);
        };
        RunSetup(TDeviceSetupThread::Initialization);
        QCOMPARE(fSink->Posted(), (std::vector<std::pair<int, int>>{{1, 1}}));
        QCOMPARE(fProgrammer->requests.size(), size_t{3});
        QCOMPARE(fProgrammer->requests[1].header.opCode, uint8_t{ProgrammerOp::SetTriggerBehavior});
        QCOMPARE(int(fProgrammer->requests[1].data[0]), armed);
        QCOMPARE(fProgrammer->requests[1].data[1], uint8_t{1});
        QCOMPARE(fProgrammer->requests[1].data[2], uint8_t{1});
    }

    void initializationStopsAtFirstFailure() {
        fProgrammer->answer = [](const TPacketFormat& r) -> std::optional<TPacketFormat> {
            return Reply(r, r.header.opCode == ProgrammerOp::SetTriggerBehavior ? 1 : 0);
        };
        RunSetup(TDeviceSetupThread::Initialization);
        QCOMPARE(fSink->Posted(), (std::vector<std::pair<int, int>>{{1, 0}}));
        QCOMPARE(fProgrammer->requests.size(), size_t{2});
        QVERIFY(!fDeviceSetup->CheckCanCreateLogger());
    }

    void detectAllChannelsWithChannelTwoFailing() {
        fProgrammer->answer = [](const TPacketFormat& r) -> std::optional<TPacketFormat> {
            const uint8_t channel = r.data[0];
            return ReplyWith(r, PassedIds(channel), channel == 2 ? 1 : 0);
        };
        RunTarget(TTargetThread::DetectAllChannels);
        QCOMPARE(fSink->Posted(), (std::vector<std::pair<int, int>>{{5, 0}}));
        TProcessTargetSendId ids{};
        for (int channel = 0; channel < 4; ++channel) {
            fTarget->GetReadIds(channel, ids);
            QCOMPARE(ids.channelState, channel < 2 ? CHANNEL_PASSED : uint8_t{0});
        }
        QCOMPARE(fProgrammer->requests.size(), size_t{3});
        QCOMPARE(fProgrammer->requests[0].data[2], uint8_t{1}); // readStart on channel 0 only
        QCOMPARE(fProgrammer->requests[1].data[2], uint8_t{0});
    }

    void readFirstChannelNeedsAPassedChip() {
        fProgrammer->answer = [](const TPacketFormat& r) -> std::optional<TPacketFormat> {
            TProcessTargetSendId ids = PassedIds(0);
            ids.channelState = CHANNEL_FAILED;
            return ReplyWith(r, ids);
        };
        RunTarget(TTargetThread::ReadFirstChannel);
        QCOMPARE(fSink->Posted(), (std::vector<std::pair<int, int>>{{4, 0}}));
        QCOMPARE(fProgrammer->requests[0].data[1], uint8_t{1}); // the DP2A family
    }

    void targetFlowIsCountedUntilJustBeforeItsNotification() {
        std::atomic<int> running{0};
        int runningAtPost = -1;
        struct Probe : INotificationSink {
            std::atomic<int>* counter;
            int* seen;
            void PostNotification(int, int) override { *seen = counter->load(); }
        } probe;
        probe.counter = &running;
        probe.seen = &runningAtPost;
        fProgrammer->answer = [](const TPacketFormat& r) -> std::optional<TPacketFormat> {
            return ReplyWith(r, PassedIds(r.data[0]));
        };
        const TOperationContext context = Context();
        TOperationContext probed{context.deviceSetup, context.setupHandler, context.targetHandler,
                                 context.configuration, probe};
        probed.targetFlowsRunning = &running;
        TTargetThread("read", probed, TTargetThread::ReadFirstChannel, fTarget, nullptr).Execute();
        QCOMPARE(runningAtPost, 0);
        QCOMPARE(running.load(), 0);
    }

    // Something inside a flow raises (here the exchange itself): the flow fails and still
    // posts its notification, so the window is not left waiting and the program goes on.
    void anErrorInsideAFlowEndsItAsAFailure() {
        fProgrammer->answer = [](const TPacketFormat&) -> std::optional<TPacketFormat> {
            throw std::runtime_error("exchange failed");
        };
        RunTarget(TTargetThread::ReadFirstChannel);
        RunSetup(TDeviceSetupThread::Initialization);
        QCOMPARE(fSink->Posted(), (std::vector<std::pair<int, int>>{{4, 0}, {1, 0}}));
    }

    void triggerRightAfterUnplugPostsZero() {
        fProgrammer->connected = false;
        RunTarget(TTargetThread::Trigger);
        QCOMPARE(fSink->Posted(), (std::vector<std::pair<int, int>>{{0, 0}}));
    }

    void burnWithLoggingOffWritesNoLine() {
        fProgrammer->answer = BurnAnswer(/*failLogChannel=*/-1);
        auto logger = MakeLogger();
        RunTarget(TTargetThread::Trigger, logger);
        QCOMPARE(fSink->Posted(), (std::vector<std::pair<int, int>>{{10, 1}}));
        QCOMPARE(fProgrammer->requests.size(), size_t{1}); // no log information asked
        TBurningStatusOverall status{};
        QCOMPARE(fTarget->GetBurningStatus(status), 0);
        QCOMPARE(status.channels[1].state, CHANNEL_FAILED);
        QVERIFY(logger->LogFilePath().empty());
    }

    void channelsAfterUnreadableIdsAreStillLogged() {
        fProgrammer->answer = BurnAnswer(/*failLogChannel=*/1);
        auto logger = MakeLogger();
        logger->setCfgName("");
        logger->StartLogging(true);
        QVERIFY(logger->isCreated());
        RunTarget(TTargetThread::Trigger, logger);
        QCOMPARE(fSink->Posted(), (std::vector<std::pair<int, int>>{{10, 1}}));
        const QList<QByteArray> lines =
            ReadAll(QString::fromStdString(logger->LogFilePath())).split('\n');
        QCOMPARE(lines.size(), 4); // header, channels 1, 2 and 4 (channel 3 inactive)
        QVERIFY(lines[1].contains(",CH1,00000100,"));
        QVERIFY(lines[2].contains(",CH2,,,,,,,"));
        QVERIFY(lines[2].trimmed().endsWith("FAIL(Error = UART_GND_SHORT)"));
        QVERIFY(lines[3].contains(",CH4,,,,,,,"));
        QVERIFY(lines[3].endsWith("PASS"));
    }

    void everyBurnIsRecordedBeforeItsNotification_data() {
        QTest::addColumn<bool>("logging");
        QTest::addColumn<QString>("firstChipIds");
        QTest::newRow("logging on: the IDs read for the log") << true << "Parameter=0x0100";
        QTest::newRow("logging off: no IDs read") << false << "";
    }

    void everyBurnIsRecordedBeforeItsNotification() {
        QFETCH(bool, logging);
        QFETCH(QString, firstChipIds);
        fProgrammer->answer = BurnAnswer(/*failLogChannel=*/-1);
        TDeviceConfigurationStruct stored{};
        std::strcpy(stored.configName, "buck 5V");
        stored.configSize = 4096;
        stored.targetType = 1;
        stored.crc = 0xBEEF;
        fDeviceSetup->SetConfigurationInfo(true, stored);
        auto logger = MakeLogger();
        logger->setKey("night batch", 3);
        logger->setKey("SN-0004", 4 + 3);
        if (logging) {
            logger->setCfgName("");
            logger->StartLogging(true);
        }
        const std::string path =
            fDir.filePath(logging ? "logged.sqlite" : "unlogged.sqlite").toStdString();
        TBurnRecording recording(std::make_unique<records::TStationRecorder>(path), "line-3");
        // What the window would show must already be on disk when it hears of the burn.
        size_t rowsWhenNotified = 0;
        CountingSink sink(
            [&] { rowsWhenNotified = Rows(path, "SELECT * FROM burn_record").size(); });
        TOperationContext context{*fDeviceSetup, *fSetupHandler, *fTargetHandler, fConfiguration,
                                  sink};
        context.recording = &recording;
        TTargetThread("target", context, TTargetThread::Trigger, fTarget, logger).Execute();
        QCOMPARE(rowsWhenNotified, size_t{3});
        QCOMPARE(recording.TakeWarning(), std::string());
        const std::vector<std::string> rows =
            Rows(path, "SELECT program, station, config_name, config_crc, config_size, family,"
                       " channel, verdict, code_name, chip_ids, operator_comment, serial_number"
                       " FROM burn_record ORDER BY seq");
        const std::string ids = firstChipIds.toStdString();
        QCOMPARE(
            rows,
            (std::vector<std::string>{
                "Ardent|line-3|buck 5V|48879|4096|DP2A|1|PASS|OK|" + ids + "|night batch|",
                "Ardent|line-3|buck 5V|48879|4096|DP2A|2|FAIL|" + std::string(ErrorCodeText(3)) +
                    "|" + (logging ? "Parameter=0x0101" : "") + "|night batch|",
                "Ardent|line-3|buck 5V|48879|4096|DP2A|4|PASS|OK|" +
                    (logging ? std::string("Parameter=0x0103") : "") + "|night batch|SN-0004",
            }));
    }

    void lostRecordsLeaveTheBurnItsLogAndNotificationAlone() {
        fProgrammer->answer = BurnAnswer(/*failLogChannel=*/-1);
        auto logger = MakeLogger();
        logger->setCfgName("");
        logger->StartLogging(true);
        TBurnRecording recording(std::make_unique<records::TStationRecorder>(
                                     fDir.filePath("no-such-folder/records.sqlite").toStdString()),
                                 "line-3");
        TOperationContext context = Context();
        context.recording = &recording;
        TTargetThread("target", context, TTargetThread::Trigger, fTarget, logger).Execute();
        QCOMPARE(fSink->Posted(), (std::vector<std::pair<int, int>>{{10, 1}}));
        TBurningStatusOverall status{};
        QCOMPARE(fTarget->GetBurningStatus(status), 0);
        QCOMPARE(status.channels[1].state, CHANNEL_FAILED);
        QCOMPARE(ReadAll(QString::fromStdString(logger->LogFilePath())).split('\n').size(), 4);
        const std::string warning = recording.TakeWarning();
        QVERIFY2(warning.starts_with(records::kRecordsNotStored), warning.c_str());
        QVERIFY(warning.find("no-such-folder") != std::string::npos);
        QCOMPARE(recording.TakeWarning(), std::string()); // told once
    }

    void externalTriggerKeepsAResultThatArrivedFirst() {
        // A fast burn: its result is queued before the flow that waits for it has started.
        TBurningStatusOverall status{};
        status.channels[0] = {0, CHANNEL_PASSED, 0, 0};
        fProgrammer->targetExchange.Deliver(MakeMarker(MARKER_CONNECTED)); // stale: dropped
        fProgrammer->targetExchange.Deliver(
            ReplyWith(MakeRequest(MODULE_TARGET, TargetOp::TriggerTarget), status));
        TOperationContext context = Context();
        context.targetQueue = &fProgrammer->targetExchange.Queue();
        TTargetThread("external", context, TTargetThread::ExternalTrigger, fTarget, nullptr)
            .Execute();
        QCOMPARE(fSink->Posted(), (std::vector<std::pair<int, int>>{{10, 1}}));
        TBurningStatusOverall stored{};
        QCOMPARE(fTarget->GetBurningStatus(stored), 0);
        QCOMPARE(stored.channels[0].state, CHANNEL_PASSED);
    }

    void storeReportsProgressAndTheStoredDescription() {
        TDeviceConfigurationStruct stored{};
        std::memcpy(stored.configName, "STORED", 6);
        fProgrammer->answer = [stored](const TPacketFormat& r) -> std::optional<TPacketFormat> {
            if (r.header.opCode == ProgrammerOp::GetConfigurationInfo) {
                return ReplyWith(r, stored);
            }
            return Reply(r);
        };
        fConfiguration.SetTargetType(1);
        QVERIFY(fConfiguration.AddNewBlock(3, Bytes(200, 0x5A)));
        std::vector<std::pair<size_t, size_t>> progress;
        TOperationContext context = Context();
        context.progress = [&progress](size_t done, size_t total) {
            progress.emplace_back(done, total);
        };
        TDeviceSetupThread("store", context, TDeviceSetupThread::StoreConfiguration).Execute();
        QCOMPARE(fSink->Posted(), (std::vector<std::pair<int, int>>{{3, 1}}));
        QVERIFY(!progress.empty());
        QCOMPARE(progress.back().first, progress.back().second);
        QCOMPARE(fDeviceSetup->GetConfigurationName(), std::string("STORED"));
    }

    void failedStoreLeavesTheDescriptionUnloaded() {
        fProgrammer->answer = [](const TPacketFormat& r) -> std::optional<TPacketFormat> {
            return Reply(r, r.header.opCode == ProgrammerOp::StoreConfigurationData ? 1 : 0);
        };
        fConfiguration.SetTargetType(1);
        QVERIFY(fConfiguration.AddNewBlock(3, Bytes(100, 1)));
        RunSetup(TDeviceSetupThread::StoreConfiguration);
        QCOMPARE(fSink->Posted(), (std::vector<std::pair<int, int>>{{3, 0}}));
        QVERIFY(!fDeviceSetup->CheckCanCreateLogger());
        QCOMPARE(fDeviceSetup->GetConfigurationName(), std::string("No config"));
    }

    void readOfAnImageTheLoaderRefusesFails_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("verdict");
        QTest::newRow("current") << "current.cfg" << 1 << int(TLoadVerdict::Loaded);
        QTest::newRow("damaged") << "damaged.cfg" << 0 << int(TLoadVerdict::CrcMismatch);
    }

    // The programmer hands over an image the loader refuses: the import failed, and the window
    // learns why; the configuration is left as it was.
    void readOfAnImageTheLoaderRefusesFails() {
        QFETCH(QString, file);
        QFETCH(int, result);
        QFETCH(int, verdict);
        const QByteArray image = ReadAll(ARDENT_TEST_DATA_DIR "/cfg/" + file);
        auto piece = std::make_shared<size_t>(0);
        fProgrammer->answer = [image,
                               piece](const TPacketFormat& r) -> std::optional<TPacketFormat> {
            if (r.header.opCode == ProgrammerOp::GetConfigurationInfo) {
                TDeviceConfigurationStruct info{};
                info.configSize = static_cast<uint32_t>(image.size());
                return ReplyWith(r, info);
            }
            TPacketFormat reply = Reply(r);
            *piece = r.data[0] == 1 ? 0 : *piece; // the first piece starts over
            const qsizetype at = static_cast<qsizetype>(*piece * kPacketDataSize);
            const QByteArray bytes = image.mid(at, static_cast<qsizetype>(kPacketDataSize));
            std::memcpy(reply.data, bytes.constData(), static_cast<size_t>(bytes.size()));
            ++*piece;
            return reply;
        };
        fConfiguration.SetName("previous");
        std::atomic<TLoadVerdict> seen{TLoadVerdict::Unreadable};
        TOperationContext context = Context();
        context.importVerdict = &seen;
        TDeviceSetupThread("read", context, TDeviceSetupThread::ReadConfiguration).Execute();
        QCOMPARE(fSink->Posted(), (std::vector<std::pair<int, int>>{{2, result}}));
        QCOMPARE(int(seen.load()), verdict);
        QCOMPARE(fConfiguration.GetName(), std::string(result ? "Golden line" : "previous"));
    }

    void windowProgressIsPostedOncePerPercent() {
        QTemporaryDir dir;
        TProgramOptions options;
        options.settingsFile = dir.filePath("s.ini").toStdString();
        TProgramObjects app(options);
        const TOperationContext context = app.Context(*fSink);
        context.progress(0, 300);
        context.progress(1, 300); // still 0 %
        context.progress(150, 300);
        context.progress(300, 300);
        QCOMPARE(fSink->Posted(), (std::vector<std::pair<int, int>>{{16, 0}, {16, 50}, {16, 100}}));
    }

    void shutdownWakesABurnThatWaits() {
        // Real waits: only the wake ends the 30-second wait for the burn result.
        TTargetHandler patient(
            THandlerSetup{fProgrammer->targetExchange, TRequestTimeouts::Windowed()});
        TOperationRunner runner;
        const TOperationContext context{*fDeviceSetup, *fSetupHandler, patient, fConfiguration,
                                        *fSink};
        QVERIFY(TTargetThread::Start(runner, "burn", context, TTargetThread::ExternalTrigger,
                                     fTarget, nullptr));
        QTRY_COMPARE(runner.Running(), size_t{1});
        runner.WaitAll(
            [this] { fProgrammer->targetExchange.Deliver(MakeMarker(MARKER_DISCONNECTED)); });
        QCOMPARE(fSink->Posted(), (std::vector<std::pair<int, int>>{{10, 0}}));
        QVERIFY(!runner.Start([] {}));
    }

private:
    ScriptedProgrammer::Answer BurnAnswer(int failLogChannel) {
        return [failLogChannel](const TPacketFormat& r) -> std::optional<TPacketFormat> {
            if (r.header.opCode == TargetOp::TriggerTarget) {
                TBurningStatusOverall status{};
                status.channels[0] = {0, CHANNEL_PASSED, 0, 0};
                status.channels[1] = {1, CHANNEL_FAILED, 3, 0};
                status.channels[2] = {2, CHANNEL_INACTIVE, 45, 0};
                status.channels[3] = {3, CHANNEL_PASSED, 0, 0};
                return ReplyWith(r, status);
            }
            const uint8_t channel = r.data[0];
            return ReplyWith(r, PassedIds(channel), channel == failLogChannel ? 1 : 0);
        };
    }

    std::shared_ptr<TLogger> MakeLogger() {
        WriteAll(fDir.filePath("header_DP2B.hdr"), "H");
        fSettings = std::make_unique<TSettingsModel>(fDir.filePath("s.ini").toStdString());
        TLoggerEnvironment env = TLoggerEnvironment::Default();
        const std::string dir = fDir.path().toStdString();
        env.headerFile = [dir](const std::string& name) { return dir + "/" + name; };
        env.baseFolder = [dir] { return dir; };
        return std::make_shared<TLoggerDP2B>("header_DP2B.hdr", *fSettings, env);
    }

    TOperationContext Context() {
        return TOperationContext{*fDeviceSetup, *fSetupHandler, *fTargetHandler, fConfiguration,
                                 *fSink};
    }

    void RunSetup(int operation) { TDeviceSetupThread("setup", Context(), operation).Execute(); }

    void RunTarget(int operation, std::shared_ptr<TLogger> logger = nullptr) {
        TTargetThread("target", Context(), operation, fTarget, std::move(logger)).Execute();
    }

    QTemporaryDir fDir;
    NoMessages fMessages;
    TConfiguration fConfiguration;
    std::unique_ptr<ScriptedProgrammer> fProgrammer;
    std::unique_ptr<TDeviceSetupHandler> fSetupHandler;
    std::unique_ptr<TTargetHandler> fTargetHandler;
    std::unique_ptr<TDeviceSetup> fDeviceSetup;
    std::unique_ptr<RecordingSink> fSink;
    std::shared_ptr<TTargetDP2A> fTarget;
    std::unique_ptr<TSettingsModel> fSettings;
};

QTEST_GUILESS_MAIN(OperationFlowTest)
#include "OperationFlowTest.moc"
