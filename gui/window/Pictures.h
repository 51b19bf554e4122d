#pragma once
// The main window's pictures, drawn in code: menu icons and the status bar's USB and SD-card
// states. Indices are those of the main window's image list.

#include <QIcon>
#include <QPixmap>

namespace ardent {

enum class TPicture {
    Exit = 0,
    Open = 1,
    Save = 2,
    Operator = 5,
    Expert = 6,
    UsbConnected = 7,
    UsbNotConnected = 8,
    SdCard = 9,
    NoSdCard = 10,
};

QPixmap DrawPicture(TPicture picture, int size = 16);
QIcon PictureIcon(TPicture picture);

} // namespace ardent
