#pragma once
// TForm1: the help window - where the user manual is, as a link that opens the browser.

#include <QDialog>
#include <QLabel>

namespace ardent {

class TForm1 : public QDialog {
    Q_OBJECT
public:
    // The user manual's address.
    static const char* const kManualAddress;

    explicit TForm1(QWidget* parent);
    QLabel& Link() { return *lbl1; }

private:
    QLabel* lbl1;
};

} // namespace ardent
