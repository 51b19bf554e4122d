#pragma once
// TDetectedIdsWindow: the IDs read from each channel by the last successful detection.

#include <QDialog>
#include <QTableWidget>

namespace ardent {

class TTarget;

class TDetectedIdsWindow : public QDialog {
    Q_OBJECT
public:
    explicit TDetectedIdsWindow(QWidget* parent);

    // Fills the grid from the target's read IDs and shows the window, not modal.
    void FillDetectWindow(const TTarget& target);
    const QTableWidget& Grid() const { return *idGrid; }

private:
    int TextWidth(const QString& text) const;

    QTableWidget* idGrid;
};

} // namespace ardent
