#pragma once
// Dialogs of the GUI tests: every box is recorded, questions are answered as the test says, file
// dialogs return the file the test put there. Nothing is ever shown.

#include "window/Dialogs.h"

#include <QStringList>

class FakeDialogs : public ardent::IDialogs {
public:
    void Error(QWidget*, const QString& text) override {
        boxes << QStringLiteral("error: ") + text;
    }
    void Information(QWidget*, const QString& text) override {
        boxes << QStringLiteral("information: ") + text;
    }
    bool Confirm(QWidget*, const QString& text) override {
        boxes << QStringLiteral("confirm: ") + text;
        return answerYes;
    }
    QString OpenFile(QWidget*, const QString&, const QString&) override { return openFile; }
    QString SaveFile(QWidget*, const QString&, const QString&, const QString&) override {
        ++saveDialogs;
        return saveFile;
    }
    QString BrowseFolder(QWidget*, const QString&, const QString&) override { return folder; }

    QStringList boxes;
    bool answerYes = true;
    QString openFile;
    QString saveFile;
    QString folder;
    int saveDialogs = 0;
};
