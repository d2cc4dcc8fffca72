#pragma once

#include <QColor>
#include <QList>
#include <QObject>

class QTextEdit;

// The shade behind starred sentences of the lesson text, painted on the page beneath the text
// rather than as a selection over it: the text's own colours and the word bars of "隐藏原文" stay
// on top, so a starred sentence keeps its red mark and its bars.
class StarShade : public QObject
{
    Q_OBJECT
public:
    explicit StarShade(QTextEdit* text);

    static QColor color() { return QColor(255, 236, 160); }

    // The paragraphs to shade, by block number; each is shaded across the whole width of every
    // line it takes.
    void setBlocks(const QList<int>& blockNumbers);
    const QList<int>& blocks() const { return m_blocks; }

private:
    bool eventFilter(QObject* watched, QEvent* event) override;

    QTextEdit* m_text;
    QList<int> m_blocks;
};
