#pragma once

#include <QStringList>

// The lesson databases' tables, as every reader expects them: the carried course's database,
// the learner's store (which adds a table naming each lesson's recording) and the test
// fixtures all make them here. Table and column names are the stored ones.
namespace LessonSchema {

// "句库" (sentences, times as text) and "单词" (new words), made when missing.
QStringList lessonTables();
// "录音": the file of each lesson's recording in the learner's store.
QString recordingsTable();
// The lookup index on (册别, 课别) of both lesson tables; made once the rows are in.
QStringList indexes();
// "生词本" (the learner's word notebook) and "难句" (their starred sentences) in the store; made
// by their first change.
QString notebookTable();
QString starredTable();

} // namespace LessonSchema
