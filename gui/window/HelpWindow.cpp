#include "HelpWindow.h"

#include "model/AppPaths.h"

#include <QDesktopServices>
#include <QUrl>

namespace ardent {

QString THelpWindow::ManualAddress() {
    // The manual on the disk, beside the program that shows it: a line PC has no reason to be
    // online, and a build folder or a second installation must not show another version's.
    return QUrl::fromLocalFile(QString::fromStdString(ManualFilePath(ExecutableFolder())))
        .toString();
}

THelpWindow::THelpWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Help"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    setFixedSize(301, 66);
    auto* caption = new QLabel(QStringLiteral("You can find user manual on this location:"), this);
    caption->move(10, 10);
    caption->adjustSize();
    manualLink = new QLabel(this);
    manualLink->setGeometry(10, 34, 281, 20);
    manualLink->setText(QStringLiteral("<a href=\"%1\"><i>Ardent user manual</i></a>")
                            .arg(ManualAddress().toHtmlEscaped()));
    manualLink->setTextFormat(Qt::RichText);
    manualLink->setCursor(Qt::PointingHandCursor);
    manualLink->setOpenExternalLinks(false);
    connect(manualLink, &QLabel::linkActivated, this,
            [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); });
}

} // namespace ardent
