#pragma once

#include <QList>
#include <QString>

// A word the learner kept, with the sentence and lesson it was met in.
struct NotebookWord
{
    QString headword;
    QString phonetic; // IPA, as the lookup showed it
    QString meaning;
    QString sentence;
    int book = 0;   // 1..4
    int lesson = 0; // the lesson's number
    int sentenceIndex = -1;
};

// The learner's word notebook, a table of its own in the learner's store. Each change is one
// transaction, so a crash mid-write leaves the notebook as it was before that change. A word is
// kept once, whatever its case: adding it again moves it to the sentence it was met in last.
//
// Reads of a store that cannot be read (damaged, locked, not a file) give nothing, and
// `problem` says why in Chinese; lessons and everything else go on working.
class WordNotebook
{
public:
    explicit WordNotebook(QString databasePath) : m_path(std::move(databasePath)) {}

    bool add(const NotebookWord& word, QString* error);
    bool remove(const QString& headword, QString* error);
    // In the order they were added, the first first.
    QList<NotebookWord> words(QString* problem = nullptr) const;
    bool contains(const QString& headword) const;

private:
    QString m_path;
};
