#pragma once

#include "export/exportitems.h"

#include <QList>
#include <QString>

struct NotebookWord;
struct StarredSentence;

// Where the sentences to export come from: the carried course, its recordings and the
// learner's store, read as the study window reads them (a lesson the store holds comes from
// there).
struct LessonSource
{
    QString database;
    QString voiceLibrary;
    QString store;

    // A lesson's sentences in stored order; none for a lesson without sentences.
    QList<ExportSentence> sentences(int book, int lesson) const;
    // The starred sentences that are still in their lessons, in the order given. A sentence
    // whose lesson changed under it since it was starred is exported as its lesson has it now.
    QList<ExportSentence> sentences(const QList<StarredSentence>& starred) const;
    // The notebook's words with the sentences they were met in; a word whose sentence is gone
    // keeps the sentence text it was kept with, without sound.
    QList<ExportWord> words(const QList<NotebookWord>& notebook) const;
};
