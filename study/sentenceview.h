#pragma once

#include <QColor>
#include <QPoint>
#include <QString>

class QTextEdit;

// The operations the study window performs on its lesson text, over a QTextEdit.
//
// Character positions count one character per paragraph break, the same characters that
// selectionStart(), find() and the hit test count; charText() is the text they index. Line numbers
// count display lines: a wrapped sentence spans several, and the empty paragraph after each
// sentence is a line of its own.
class SentenceView
{
public:
    explicit SentenceView(QTextEdit* edit) : m_edit(edit) {}

    QTextEdit* widget() const { return m_edit; }

    // Replaces the content with an empty document, dropping all colouring.
    void clear();
    // The text with CR LF between paragraphs, as it was set.
    QString text() const;
    void setText(const QString& text);
    // The text the positions index: "\r" between paragraphs.
    QString charText() const;

    int selectionStart() const;
    void setSelectionStart(int position);
    int selectionLength() const;
    void setSelectionLength(int length);
    void setSelectionColor(const QColor& color);
    void setSelectionFont(const QString& family, double pointSize);
    // Colour of the character at position (for checks of the marking).
    QColor colorAt(int position) const;

    // Case-insensitive search within the selection when there is one, else the whole text;
    // the first match becomes the selection. Returns its start or -1.
    int find(const QString& text);

    // First character of display line `line`; -1 means the caret's line.
    int lineIndex(int line) const;
    int lineFromChar(int position) const;
    // Length of the display line holding `position`, without the paragraph break.
    int lineLength(int position) const;
    // The display line's characters; a line that ends a paragraph ends with "\r", so the
    // empty line between two sentences reads back as "\r".
    QString lineText(int line) const;
    int lineCount() const;
    // The whole paragraph holding `position`, without its break: one sentence of the lesson.
    QString paragraphText(int position) const;
    // Index of the character under the viewport point, or -1 when the point is on no
    // character (past the end of a line or below the text).
    int charAt(const QPoint& viewportPoint) const;
    // Scrolls the caret's sentence to a third from the top when it is out of sight or low in
    // the view, so the learner reads it with the text around it; a sentence in easy sight
    // stays where it is.
    void bringCaretIntoView();

    // The text of the sentence marked as current, by which the mark is found again to be
    // taken off; "" before any.
    const QString& markedText() const { return m_markedText; }
    void setMarkedText(const QString& text) { m_markedText = text; }

private:
    QTextEdit* m_edit;
    QString m_markedText;
};
