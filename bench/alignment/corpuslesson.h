#pragma once

#include "sentencealigner.h"

#include <QList>
#include <QString>
#include <QStringList>

// One recording of the benchmark's corpus and the truth about it, all times in seconds on the
// timeline of the recording as decodeForAlignment() delivers it.
struct CorpusLesson
{
    QString name; // "book1/lesson001"
    QString voice;
    QString announcer;
    QString noise; // "none", "white" or "pink"
    QString audioPath;
    long encoderDelay = 0; // frames the decoded file lags behind what was encoded
    qint64 decodedFrames = 0;
    QStringList sentences;
    QList<SentenceAligner::Span> truth;       // speech onset and offset of each sentence
    QList<SentenceAligner::Span> otherSpeech; // announcement and exercise, not in the text

    double seconds() const { return double(decodedFrames) / SentenceAligner::sampleRate; }
    bool noisy() const { return noise != QLatin1String("none"); }

    // The truth is kept beside the recording in a small text file.
    bool save(const QString& path) const;
    static bool load(const QString& path, CorpusLesson* lesson);

    // Bumped whenever the way recordings are made changes, so stale caches are remade.
    static constexpr int version = 1;
};
