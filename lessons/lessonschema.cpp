#include "lessons/lessonschema.h"

namespace LessonSchema {

QStringList lessonTables()
{
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS \"句库\" (\"句子\" TEXT NOT NULL, \"中文\" TEXT "
                       "NOT NULL, \"开始时间\" VARCHAR(10) NOT NULL, \"结束时间\" VARCHAR(10) NOT "
                       "NULL, \"课别\" VARCHAR(100) NOT NULL, \"册别\" VARCHAR(2) NOT NULL)"),
        QStringLiteral(
            "CREATE TABLE IF NOT EXISTS \"单词\" (\"单词\" VARCHAR(50) NOT NULL, \"中文\" "
            "VARCHAR(50) NOT NULL, \"课别\" VARCHAR(50) NOT NULL, \"册别\" VARCHAR(2) "
            "NOT NULL)"),
    };
}

QString recordingsTable()
{
    return QStringLiteral("CREATE TABLE IF NOT EXISTS \"录音\" (\"文件\" TEXT NOT NULL, \"课别\" "
                          "VARCHAR(100) NOT NULL, \"册别\" VARCHAR(2) NOT NULL)");
}

QStringList indexes()
{
    return {
        QStringLiteral(
            "CREATE INDEX IF NOT EXISTS \"句库_册别_课别\" ON \"句库\" (\"册别\", \"课别\")"),
        QStringLiteral(
            "CREATE INDEX IF NOT EXISTS \"单词_册别_课别\" ON \"单词\" (\"册别\", \"课别\")"),
    };
}

QString notebookTable()
{
    return QStringLiteral(
        "CREATE TABLE IF NOT EXISTS \"生词本\" (headword TEXT NOT NULL PRIMARY KEY COLLATE NOCASE, "
        "phonetic TEXT NOT NULL, meaning TEXT NOT NULL, sentence TEXT NOT NULL, book INTEGER NOT "
        "NULL, lesson INTEGER NOT NULL, sentence_index INTEGER NOT NULL, added INTEGER NOT NULL)");
}

QString starredTable()
{
    return QStringLiteral(
        "CREATE TABLE IF NOT EXISTS \"难句\" (book INTEGER NOT NULL, lesson INTEGER NOT NULL, "
        "sentence_index INTEGER NOT NULL, sentence TEXT NOT NULL, added INTEGER NOT NULL, "
        "PRIMARY KEY (book, lesson, sentence_index))");
}

} // namespace LessonSchema
