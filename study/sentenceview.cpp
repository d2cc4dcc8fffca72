#include "study/sentenceview.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <algorithm>

namespace {

// The display line holding `position`: its block and the line inside the block's layout.
struct DisplayLine
{
    QTextBlock block;
    QTextLine line;
};

DisplayLine displayLineAt(const QTextDocument* doc, int position)
{
    const QTextBlock block = doc->findBlock(position);
    if (!block.isValid() || !block.layout()) {
        return {};
    }
    const QTextLine line = block.layout()->lineForTextPosition(position - block.position());
    return {block, line};
}

// Lines of blocks that are not laid out yet count as one line each.
int linesOf(const QTextBlock& block)
{
    const int n = block.layout() ? block.layout()->lineCount() : 0;
    return n > 0 ? n : 1;
}

} // namespace

void SentenceView::clear()
{
    m_edit->clear();
    m_edit->setCurrentCharFormat(QTextCharFormat());
}

QString SentenceView::text() const
{
    return m_edit->document()->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

void SentenceView::setText(const QString& text)
{
    QString normal = text;
    normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normal.replace(u'\r', u'\n');
    // A paragraph break at the very end makes an empty last block, as the text implies.
    m_edit->setPlainText(normal);
}

QString SentenceView::charText() const
{
    return m_edit->document()->toPlainText().replace(u'\n', u'\r');
}

int SentenceView::selectionStart() const
{
    return m_edit->textCursor().selectionStart();
}

void SentenceView::setSelectionStart(int position)
{
    QTextCursor cursor = m_edit->textCursor();
    const int last = m_edit->document()->characterCount() - 1;
    cursor.setPosition(qBound(0, position, last));
    m_edit->setTextCursor(cursor);
}

int SentenceView::selectionLength() const
{
    const QTextCursor cursor = m_edit->textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void SentenceView::setSelectionLength(int length)
{
    QTextCursor cursor = m_edit->textCursor();
    const int start = cursor.selectionStart();
    const int last = m_edit->document()->characterCount() - 1;
    cursor.setPosition(start);
    cursor.setPosition(qBound(start, start + length, last), QTextCursor::KeepAnchor);
    m_edit->setTextCursor(cursor);
}

void SentenceView::setSelectionColor(const QColor& color)
{
    QTextCharFormat format;
    format.setForeground(color);
    m_edit->textCursor().mergeCharFormat(format);
}

void SentenceView::setSelectionFont(const QString& family, double pointSize)
{
    QTextCharFormat format;
    // Liberation Sans stands in for Arial, which fontconfig only knows as an alias.
    format.setFontFamilies({family, QStringLiteral("Liberation Sans")});
    format.setFontPointSize(pointSize);
    m_edit->textCursor().mergeCharFormat(format);
}

QColor SentenceView::colorAt(int position) const
{
    const QTextBlock block = m_edit->document()->findBlock(position);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        if (it.fragment().contains(position)) {
            return it.fragment().charFormat().foreground().color();
        }
    }
    // A paragraph break carries the block's own format.
    return block.charFormat().foreground().color();
}

int SentenceView::find(const QString& text)
{
    const QString haystack = charText();
    QTextCursor cursor = m_edit->textCursor();
    int from = 0;
    int to = int(haystack.size());
    if (cursor.hasSelection()) {
        from = cursor.selectionStart();
        to = cursor.selectionEnd();
    }
    const int found = haystack.indexOf(text, from, Qt::CaseInsensitive);
    if (found < 0 || found + text.size() > to) {
        return -1;
    }
    cursor.setPosition(found);
    cursor.setPosition(found + int(text.size()), QTextCursor::KeepAnchor);
    m_edit->setTextCursor(cursor);
    return found;
}

int SentenceView::lineIndex(int line) const
{
    const QTextDocument* doc = m_edit->document();
    if (line < 0) {
        const DisplayLine here = displayLineAt(doc, m_edit->textCursor().position());
        if (!here.line.isValid()) {
            return here.block.isValid() ? here.block.position() : 0;
        }
        return here.block.position() + here.line.textStart();
    }
    int number = 0;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const int lines = linesOf(block);
        if (line < number + lines) {
            const QTextLine l =
                block.layout() ? block.layout()->lineAt(line - number) : QTextLine();
            return block.position() + (l.isValid() ? l.textStart() : 0);
        }
        number += lines;
    }
    return -1;
}

int SentenceView::lineFromChar(int position) const
{
    const QTextDocument* doc = m_edit->document();
    const QTextBlock target = doc->findBlock(position);
    int number = 0;
    for (QTextBlock block = doc->begin(); block.isValid() && block != target;
         block = block.next()) {
        number += linesOf(block);
    }
    const DisplayLine here = displayLineAt(doc, position);
    return number + (here.line.isValid() ? here.line.lineNumber() : 0);
}

int SentenceView::lineLength(int position) const
{
    const DisplayLine here = displayLineAt(m_edit->document(), position);
    if (!here.line.isValid()) {
        return here.block.isValid() ? here.block.length() - 1 : 0;
    }
    return here.line.textLength();
}

QString SentenceView::lineText(int line) const
{
    const int first = lineIndex(line);
    if (first < 0) {
        return {};
    }
    const DisplayLine here = displayLineAt(m_edit->document(), first);
    const int length = lineLength(first);
    QString text = here.block.text().mid(first - here.block.position(), length);
    const bool endsParagraph = first + length >= here.block.position() + here.block.length() - 1;
    const bool lastBlock = !here.block.next().isValid();
    if (endsParagraph && !lastBlock) {
        text += u'\r';
    }
    return text;
}

int SentenceView::lineCount() const
{
    int number = 0;
    for (QTextBlock block = m_edit->document()->begin(); block.isValid(); block = block.next()) {
        number += linesOf(block);
    }
    return number;
}

QString SentenceView::paragraphText(int position) const
{
    return m_edit->document()->findBlock(position).text();
}

int SentenceView::charAt(const QPoint& viewportPoint) const
{
    const QPoint documentPoint = viewportPoint + QPoint(m_edit->horizontalScrollBar()->value(),
                                                        m_edit->verticalScrollBar()->value());
    return m_edit->document()->documentLayout()->hitTest(documentPoint, Qt::ExactHit);
}

void SentenceView::bringCaretIntoView()
{
    const QTextBlock block = m_edit->textCursor().block();
    const QRectF rect = m_edit->document()->documentLayout()->blockBoundingRect(block);
    QScrollBar* bar = m_edit->verticalScrollBar();
    const int height = m_edit->viewport()->height();
    const int top = int(rect.top()) - bar->value();
    const int bottom = int(rect.bottom()) - bar->value();
    // On either edge the sentence around it is out of sight; below four fifths a reading would
    // keep each sentence on the bottom edge, line by line.
    if (top >= height / 10 && bottom <= height * 4 / 5) {
        return;
    }
    const int above = std::clamp(height - int(rect.height()), 0, height / 3);
    bar->setValue(int(rect.top()) - above);
}
