#include "operations/RequestTimeouts.h"

namespace ardent {

using std::chrono::milliseconds;

// The windowed program keeps its set-up requests short (it runs them after every connection),
// but gives a stored piece 10 s, because the programmer writes it to its memory before answering.
TRequestTimeouts TRequestTimeouts::Windowed() {
    return {
        .getDeviceSetup = milliseconds(100),
        .setBaudRate = milliseconds(1000),
        .setTriggerBehavior = milliseconds(100),
        .getTriggerBehavior = milliseconds(200),
        .storeConfiguration = milliseconds(100),
        .storeConfigurationData = milliseconds(10000),
        .readConfiguration = milliseconds(100),
        .getConfigurationInfo = milliseconds(100),
        .setActiveChannel = milliseconds(200),
        .readId = milliseconds(10000),
        .burnResult = milliseconds(30000),
        .loggerInformation = milliseconds(10000),
        .serviceCommand = milliseconds(30000),
    };
}

// The tool runs one request per process from a script, so it is generous where the programmer
// may be busy (trigger behaviour, stored pieces, reading IDs, burning).
TRequestTimeouts TRequestTimeouts::CommandLine() {
    return {
        .getDeviceSetup = milliseconds(200),
        .setBaudRate = milliseconds(200),
        .setTriggerBehavior = milliseconds(30000),
        .getTriggerBehavior = milliseconds(200),
        .storeConfiguration = milliseconds(200),
        .storeConfigurationData = milliseconds(30000),
        .readConfiguration = milliseconds(200),
        .getConfigurationInfo = milliseconds(200),
        .setActiveChannel = milliseconds(200),
        .readId = milliseconds(30000),
        .burnResult = milliseconds(30000),
        .loggerInformation = milliseconds(10000),
        .serviceCommand = milliseconds(30000),
    };
}

} // namespace ardent
