#pragma once

#include "export/exportitems.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

struct LoadedLesson;

// Writes what the learner collected to a file they take elsewhere: an Anki deck with each
// sentence's own sound, or tab-separated text. One sentence's trouble (no recording, times
// outside it, a clip the encoder refuses) costs that note its sound, never the deck; the
// summary names each such sentence.
namespace DeckExport {

// Told after each note, with how many there are; returning false cancels the export, and then
// nothing is written.
using Progress = std::function<bool(int done, int total)>;

struct Summary
{
    bool written = false;
    bool cancelled = false;
    QString error; // in Chinese, when nothing was written
    int notes = 0;
    int withSound = 0;
    QStringList silent; // "第1册 Lesson 7 第3句：没有录音", one for each note without sound
    QStringList skipped; // the same, for each sentence left out of the file altogether

    // What the learner is told afterwards, in Chinese.
    QString text() const;
};

// The sentences of a loaded lesson, in stored order.
QList<ExportSentence> lessonSentences(const LoadedLesson& lesson);

Summary writeSentenceDeck(const QList<ExportSentence>& sentences, const QString& deckName,
                          const QString& path, const Progress& progress = {});
Summary writeWordDeck(const QList<ExportWord>& words, const QString& deckName, const QString& path,
                      const Progress& progress = {});
// "English<TAB>Chinese<TAB>lesson" a line; "word<TAB>IPA<TAB>meaning<TAB>sentence<TAB>lesson".
Summary writeSentenceText(const QList<ExportSentence>& sentences, const QString& path);
Summary writeWordText(const QList<ExportWord>& words, const QString& path);

// Saves a whole file at once; false with `error` in Chinese when it could not be.
bool saveBytes(const QString& path, const QByteArray& bytes, QString* error);
// The Chinese reason a file could not be saved at `path`, from where it failed.
QString cannotWrite(const QString& path, bool opened);
// The line the summary gives a sentence left without sound or out of the file.
QString sentenceLine(const ExportSentence& sentence, const QString& why);
// What a cancelled export tells.
Summary cancelledSummary();

} // namespace DeckExport
