#pragma once
// Every modal box and file dialog of the windowed program goes through this interface, so tests
// replace it and never block on a dialog.

#include <QString>

class QWidget;

namespace ardent {

class IDialogs {
public:
    virtual ~IDialogs() = default;
    virtual void Error(QWidget* parent, const QString& text) = 0;
    virtual void Information(QWidget* parent, const QString& text) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool Confirm(QWidget* parent, const QString& text) = 0;
    // The chosen file, or empty when cancelled.
    virtual QString OpenFile(QWidget* parent, const QString& title, const QString& filter) = 0;
    virtual QString SaveFile(QWidget* parent, const QString& title, const QString& filter,
                             const QString& suggested) = 0;
    virtual QString BrowseFolder(QWidget* parent, const QString& title, const QString& start) = 0;
};

// The real boxes and dialogs.
class TQtDialogs : public IDialogs {
public:
    void Error(QWidget* parent, const QString& text) override;
    void Information(QWidget* parent, const QString& text) override;
    bool Confirm(QWidget* parent, const QString& text) override;
    QString OpenFile(QWidget* parent, const QString& title, const QString& filter) override;
    QString SaveFile(QWidget* parent, const QString& title, const QString& filter,
                     const QString& suggested) override;
    QString BrowseFolder(QWidget* parent, const QString& title, const QString& start) override;
};

} // namespace ardent
