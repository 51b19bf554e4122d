#pragma once
// THelpWindow: the help window - where the user manual is, as a link that opens the browser.

#include <QDialog>
#include <QLabel>

namespace ardent {

class THelpWindow : public QDialog {
    Q_OBJECT
public:
    // The address of the user manual of the installation the program runs from.
    static QString ManualAddress();

    explicit THelpWindow(QWidget* parent);
    QLabel& Link() { return *manualLink; }

private:
    QLabel* manualLink;
};

} // namespace ardent
