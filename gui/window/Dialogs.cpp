#include "Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace ardent {

void TQtDialogs::Error(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QStringLiteral("Error"), text);
}

void TQtDialogs::Information(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QStringLiteral("Information"), text);
}

bool TQtDialogs::Confirm(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, QStringLiteral("Confirm"), text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

QString TQtDialogs::OpenFile(QWidget* parent, const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

QString TQtDialogs::SaveFile(QWidget* parent, const QString& title, const QString& filter,
                             const QString& suggested) {
    return QFileDialog::getSaveFileName(parent, title, suggested, filter);
}

QString TQtDialogs::BrowseFolder(QWidget* parent, const QString& title, const QString& start) {
    return QFileDialog::getExistingDirectory(parent, title, start);
}

} // namespace ardent
