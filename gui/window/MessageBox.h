#pragma once
// A panel's read-only message box. It holds one text with CR LF line breaks, as the panels'
// line rules are written for; the widget shows the same text.

#include <QPlainTextEdit>

namespace ardent {

class TMessageBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TMessageBox(QWidget* parent);

    // A new line: when the text is empty or ends with CR LF, the line and CR LF are added;
    // otherwise CR LF and the line.
    void AddLine(const QString& line);
    // Continues the text without a line break of its own.
    void AppendText(const QString& text);
    void Clear();
    // Replaces the whole text.
    void SetText(const QString& text);
    const QString& Text() const { return fText; }

protected:
    // Ctrl+Shift+Delete empties the box.
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void Show();

    QString fText;
    bool fShowing = false;
};

} // namespace ardent
