#pragma once

#include <QList>
#include <QSet>
#include <QString>

// A sentence the learner found hard.
struct StarredSentence
{
    int book = 0;   // 1..4
    int lesson = 0; // the lesson's number
    int index = 0;  // 0-based, in the lesson's stored order
    QString sentence;
};

// The learner's hard sentences, a table of its own in the learner's store, each change one
// transaction. A sentence is known by its place in its lesson; its text is kept to show it.
// Reads of a store that cannot be read give nothing, with `problem` in Chinese.
class StarredSentences
{
public:
    explicit StarredSentences(QString databasePath) : m_path(std::move(databasePath)) {}

    // Starring a starred sentence or unstarring one that is not is no change and no error.
    bool setStarred(const StarredSentence& sentence, bool starred, QString* error);
    // Book by book, lesson by lesson, in each lesson's order.
    QList<StarredSentence> all(QString* problem = nullptr) const;
    // The starred places of one lesson.
    QSet<int> inLesson(int book, int lesson, QString* problem = nullptr) const;

private:
    QString m_path;
};
