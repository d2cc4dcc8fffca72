#pragma once

#include <QList>
#include <QString>

struct SentenceRow
{
    QString sentence;    // 句子
    QString translation; // 中文
    QString start;       // 开始时间
    QString end;         // 结束时间
};

struct WordRow
{
    QString word;    // 单词
    QString meaning; // 中文
};

// The two read-only queries on the lesson database.
//
// Each query opens the file read-only, reads its rows in stored order and closes it again;
// nothing stays open between queries. A missing, unreadable or corrupt file gives no rows,
// never an error: the caller then shows an empty lesson.
class LessonDatabase
{
public:
    explicit LessonDatabase(QString path) : m_path(std::move(path)) {}

    QList<SentenceRow> sentences(const QString& bookDigit, const QString& lessonText) const;
    QList<WordRow> newWords(const QString& bookDigit, const QString& lessonText) const;

    const QString& path() const { return m_path; }

private:
    QString m_path;
};
