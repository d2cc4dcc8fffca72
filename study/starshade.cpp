#include "study/starshade.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>

StarShade::StarShade(QTextEdit* text) : QObject(text), m_text(text)
{
    setObjectName(QStringLiteral("starShade"));
    // The viewport's own background is filled before its paint event reaches this filter, and
    // the text is drawn after it: the shade lands between the two.
    text->viewport()->installEventFilter(this);
}

void StarShade::setBlocks(const QList<int>& blockNumbers)
{
    if (blockNumbers != m_blocks) {
        m_blocks = blockNumbers;
        m_text->viewport()->update();
    }
}

bool StarShade::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint && watched == m_text->viewport() && !m_blocks.isEmpty()) {
        QWidget* page = m_text->viewport();
        QTextDocument* document = m_text->document();
        const QPointF scrolled(m_text->horizontalScrollBar()->value(),
                               m_text->verticalScrollBar()->value());
        QPainter painter(page);
        for (const int number : std::as_const(m_blocks)) {
            const QTextBlock block = document->findBlockByNumber(number);
            if (!block.isValid()) {
                continue;
            }
            const QRectF at =
                document->documentLayout()->blockBoundingRect(block).translated(-scrolled);
            if (at.bottom() >= 0 && at.top() <= page->height()) {
                painter.fillRect(QRectF(0, at.top(), page->width(), at.height()), color());
            }
        }
    }
    return false;
}
