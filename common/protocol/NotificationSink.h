#pragma once
// How worker and receive threads tell the windowed program's main window that something
// happened, without knowing any window: a posted (never waited-for) notification with a code
// and a result of 0 or 1. The windowed program implements it with an event posted to its main
// window, which handles the notifications in posting order.

namespace ardent {

// What the main window is told. The receive thread posts Connected, Disconnected,
// SdCardChanged, ExternalTrigger and NoAction (result always 0); each operation flow ends with
// its own notification and its result; TransferProgress carries a percent as its result. The
// numbers are what travels in a posted notification.
enum class TNotification : int {
    NoAction = 0,            // an unknown event report, a trigger-behaviour change, a burn
                             // request that could not be handed over: the window only repaints
    Initialized = 1,         // the initialization flow ended
    ConfigurationRead = 2,   // the programmer's configuration was read (or not)
    ConfigurationStored = 3, // a configuration was stored on the programmer (or not)
    FirstChannelRead = 4,    // the IDs of the first channel were read (or not)
    ChannelsDetected = 5,    // the IDs of all channels were read (or not)
    Connected = 6,           // the programmer was connected
    BaudRateSet = 7,         // the baud rate was set (or not)
    Disconnected = 8,        // the programmer went away
    BurnReported = 10,       // a burn's result arrived, or its wait ended without one
    SdCardChanged = 12,      // the SD card state changed
    ExternalTrigger = 14,    // a burn from the external trigger began
    TransferProgress = 16,   // a configuration transfer went on: result is the percent done
};

// How an operation flow ended: the notification it posts and whether it succeeded.
struct TFlowOutcome {
    TNotification notification;
    bool ok;
};

class INotificationSink {
public:
    virtual ~INotificationSink() = default;
    // Queues the notification for the main window and returns at once; any thread may call it.
    virtual void PostNotification(int code, int result) = 0;
    void Post(TNotification notification, int result) {
        PostNotification(static_cast<int>(notification), result);
    }
};

} // namespace ardent
