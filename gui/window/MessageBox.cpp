#include "MessageBox.h"

#include <QKeyEvent>
#include <QScrollBar>

namespace ardent {

TMessageBox::TMessageBox(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setFocusPolicy(Qt::ClickFocus); // no tab stop, but a click lets Ctrl+Shift+Delete reach it
    // Where the box is editable, what the user types becomes part of its text.
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!fShowing) {
            fText = toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        }
    });
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

void TMessageBox::AddLine(const QString& line) {
    if (fText.isEmpty() || fText.endsWith(QLatin1String("\r\n"))) {
        fText += line + QLatin1String("\r\n");
    } else {
        fText += QLatin1String("\r\n") + line;
    }
    Show();
}

void TMessageBox::AppendText(const QString& text) {
    fText += text;
    Show();
}

void TMessageBox::Clear() {
    fText.clear();
    Show();
}

void TMessageBox::SetText(const QString& text) {
    fText = text;
    Show();
}

void TMessageBox::Show() {
    QString shown = fText;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (shown.endsWith('\n')) {
        shown.chop(1); // the widget would show an empty last line
    }
    fShowing = true;
    setPlainText(shown);
    fShowing = false;
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TMessageBox::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete &&
        event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier)) {
        Clear();
    }
    QPlainTextEdit::keyReleaseEvent(event);
}

} // namespace ardent
