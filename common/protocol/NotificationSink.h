#pragma once
// How worker and receive threads tell the windowed program's main window that something
// happened, without knowing any window: a posted (never waited-for) notification with a code
// and a result of 0 or 1. The windowed program implements it with an event posted to its main
// window, which handles the notifications in posting order.

namespace ardent {

// Codes the receive thread posts (result always 0); operation threads post their own codes.
inline constexpr int NOTIFY_UNKNOWN_EVENT = 0;     // an event report with an unknown opCode
inline constexpr int NOTIFY_CONNECTED = 6;         // the programmer was connected
inline constexpr int NOTIFY_DISCONNECTED = 8;      // the programmer went away
inline constexpr int NOTIFY_SD_CARD = 12;          // the SD card state changed
inline constexpr int NOTIFY_EXTERNAL_TRIGGER = 14; // a burn from the external trigger began

class INotificationSink {
public:
    virtual ~INotificationSink() = default;
    // Queues the notification for the main window and returns at once; any thread may call it.
    virtual void PostNotification(int code, int result) = 0;
};

} // namespace ardent
