#pragma once
// TForm1: the help window - where the user manual is, as a link that opens the browser.

#include <QDialog>
#include <QLabel>

namespace ardent {

class TForm1 : public QDialog {
    Q_OBJECT
public:
    // The address of the user manual of the installation the program runs from.
    static QString ManualAddress();

    explicit TForm1(QWidget* parent);
    QLabel& Link() { return *lbl1; }

private:
    QLabel* lbl1;
};

} // namespace ardent
