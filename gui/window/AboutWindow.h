#pragma once
// TAboutWindow: the about window - one picture, no frame; Esc or a click closes it.

#include <QLabel>
#include <QWidget>

namespace ardent {

class TAboutWindow : public QWidget {
    Q_OBJECT
public:
    explicit TAboutWindow(QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QLabel* aboutPicture;
};

// The about picture, drawn in code: the program's name, version and a programmer board.
QPixmap AboutPicture(const QSize& size);

} // namespace ardent
