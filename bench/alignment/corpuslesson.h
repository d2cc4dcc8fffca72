#pragma once

#include "align/sentencealigner.h"

#include <QList>
#include <QString>
#include <QStringList>

// One recording of the benchmark's corpus and the truth about it, all times in seconds on the
// recording's timeline as the player decodes it.
struct CorpusLesson
{
    QString name; // "book1/lesson001"
    QString voice;
    QString announcer;
    QString noise;   // "none", "white" or "pink"
    double pace = 1; // the voice's durations stretched by this
    QString audioPath;
    int fileRate = 0;   // the MP3's sample rate
    QString tapePath;   // the 16 kHz tape the MP3 was made from (TapeFile)
    double seconds = 0; // as the player decodes it
    QStringList sentences;
    QList<SentenceAligner::Span> truth;       // speech onset and offset of each sentence
    QList<SentenceAligner::Span> otherSpeech; // announcement and exercise, not in the text

    bool noisy() const { return noise != QLatin1String("none"); }

    // The truth is kept beside the recording in a small text file.
    bool save(const QString& path) const;
    static bool load(const QString& path, CorpusLesson* lesson);

    // Bumped whenever the way recordings are made changes, so stale caches are remade.
    static constexpr int version = 5;
};
