#pragma once
// How long each request waits for its reply. The windowed program and the command-line tool wait
// differently for the same requests; each picks its table when it builds its handlers.

#include <chrono>

namespace ardent {

struct TRequestTimeouts {
    using ms = std::chrono::milliseconds;

    // Programmer set-up requests (module 1).
    ms getDeviceSetup;
    ms setBaudRate;
    ms setTriggerBehavior;
    ms getTriggerBehavior;
    ms storeConfiguration;
    ms storeConfigurationData;
    ms readConfiguration;
    ms getConfigurationInfo;
    ms setActiveChannel;
    // Target requests (module 2): reading IDs, the burn result, the burned IDs for the log.
    ms readId;
    ms burnResult;
    ms loggerInformation;
    // The tool's service commands (modules 3 and 4).
    ms serviceCommand;

    static TRequestTimeouts Windowed();
    static TRequestTimeouts CommandLine();
};

} // namespace ardent
