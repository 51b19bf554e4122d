#pragma once
// What every panel works with: the program-wide objects, the dialogs, and the sink through which
// the operations it starts notify the main window.

namespace ardent {

class IDialogs;
class INotificationSink;
class TProgramObjects;

struct TPanelHost {
    TProgramObjects& app;
    IDialogs& dialogs;
    INotificationSink& sink;
};

} // namespace ardent
