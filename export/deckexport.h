#pragma once

#include "export/exportitems.h"

#include <QList>
#include <QString>
#include <QStringList>

struct LoadedLesson;

// Writes what the learner collected to a file they take elsewhere: an Anki deck with each
// sentence's own sound, or tab-separated text. One sentence's trouble (no recording, times
// outside it, a clip the encoder refuses) costs that note its sound, never the deck; the
// summary names each such sentence.
namespace DeckExport {

struct Summary
{
    bool written = false;
    QString error; // in Chinese, when nothing was written
    int notes = 0;
    int withSound = 0;
    QStringList silent; // "第1册 Lesson 7 第3句：没有录音", one for each note without sound

    // What the learner is told afterwards, in Chinese.
    QString text() const;
};

// The sentences of a loaded lesson, in stored order.
QList<ExportSentence> lessonSentences(const LoadedLesson& lesson);

Summary writeSentenceDeck(const QList<ExportSentence>& sentences, const QString& deckName,
                          const QString& path);
Summary writeWordDeck(const QList<ExportWord>& words, const QString& deckName, const QString& path);
// "English<TAB>Chinese<TAB>lesson" a line; "word<TAB>IPA<TAB>meaning<TAB>sentence<TAB>lesson".
Summary writeSentenceText(const QList<ExportSentence>& sentences, const QString& path);
Summary writeWordText(const QList<ExportWord>& words, const QString& path);

} // namespace DeckExport
