#include "Form1.h"

#include <QDesktopServices>
#include <QUrl>

namespace ardent {

// The manual installed with the program; a line PC has no reason to be online.
const char* const TForm1::kManualAddress = "file://" ARDENT_MANUAL_FILE;

TForm1::TForm1(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Help"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    setFixedSize(301, 66);
    auto* caption = new QLabel(QStringLiteral("You can find user manual on this location:"), this);
    caption->move(10, 10);
    caption->adjustSize();
    lbl1 = new QLabel(this);
    lbl1->setGeometry(10, 34, 281, 20);
    lbl1->setText(QStringLiteral("<a href=\"%1\"><i>Ardent user manual</i></a>")
                      .arg(QString::fromLatin1(kManualAddress)));
    lbl1->setTextFormat(Qt::RichText);
    lbl1->setCursor(Qt::PointingHandCursor);
    lbl1->setOpenExternalLinks(false);
    connect(lbl1, &QLabel::linkActivated, this,
            [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });
}

} // namespace ardent
