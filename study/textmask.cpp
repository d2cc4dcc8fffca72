#include "study/textmask.h"

#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTextDocument>

namespace {

const QColor wordBar(200, 206, 214);
// The current sentence is marked red in the lesson text; its bars stay red enough to find.
const QColor currentWordBar(240, 170, 170);

// Draws each run of characters between blanks as a bar, the letters themselves without ink.
// The colours are added at layout time on top of the document's own, which stay untouched.
class WordBars : public QSyntaxHighlighter
{
public:
    WordBars(QTextDocument* document, const bool& masked)
        : QSyntaxHighlighter(document), m_masked(masked)
    {}

protected:
    void highlightBlock(const QString& text) override
    {
        if (!m_masked) {
            return;
        }
        const int blockStart = currentBlock().position();
        for (auto fragment = currentBlock().begin(); !fragment.atEnd(); ++fragment) {
            const QTextFragment part = fragment.fragment();
            const bool current = part.charFormat().foreground().color() == Qt::red;
            // No ink at all, not ink in the bar's colour: a shade drawn over the bars (a starred
            // sentence) would bring such letters back into sight.
            QTextCharFormat bar;
            bar.setForeground(Qt::transparent);
            bar.setBackground(current ? currentWordBar : wordBar);
            const int from = part.position() - blockStart;
            const int to = std::min(int(text.size()), from + part.length());
            for (int i = from; i < to;) {
                int end = i;
                while (end < to && !text[end].isSpace()) {
                    ++end;
                }
                if (end > i) {
                    setFormat(i, end - i, bar);
                }
                i = end + 1;
            }
        }
    }

private:
    const bool& m_masked;
};

} // namespace

TextMask::TextMask(std::initializer_list<QTextDocument*> documents, QObject* parent)
    : QObject(parent)
{
    for (QTextDocument* document : documents) {
        m_bars.append(new WordBars(document, m_masked));
    }
}

void TextMask::setMasked(bool masked)
{
    if (masked == m_masked) {
        return;
    }
    m_masked = masked;
    for (QSyntaxHighlighter* bars : m_bars) {
        bars->rehighlight();
    }
}
