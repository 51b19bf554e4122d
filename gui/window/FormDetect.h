#pragma once
// TFormDetect: the IDs read from each channel by the last successful detection.

#include <QDialog>
#include <QTableWidget>

namespace ardent {

class TTarget;

class TFormDetect : public QDialog {
    Q_OBJECT
public:
    explicit TFormDetect(QWidget* parent);

    // Fills the grid from the target's read IDs and shows the window, not modal.
    void FillDetectWindow(const TTarget& target);
    const QTableWidget& Grid() const { return *strngrd1; }

private:
    int TextWidth(const QString& text) const;

    QTableWidget* strngrd1;
};

} // namespace ardent
