#pragma once

#include <QList>
#include <QObject>
#include <initializer_list>

class QSyntaxHighlighter;
class QTextDocument;

// Hides the English of text boxes while the learner listens without it: every word is drawn as
// a bar of its own length, so the sentences keep their shape and the current sentence its colour,
// but cannot be read. Only the drawing changes: the text, its positions and the sentence marks
// stay, so clicks, the marking and the word lookup work as before.
class TextMask : public QObject
{
    Q_OBJECT
public:
    TextMask(std::initializer_list<QTextDocument*> documents, QObject* parent = nullptr);

    bool isMasked() const { return m_masked; }
    void setMasked(bool masked);

private:
    QList<QSyntaxHighlighter*> m_bars;
    bool m_masked = false;
};
