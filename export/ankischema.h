#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The collection inside an Anki deck file, as Anki 2.1 and AnkiDroid read a ".apkg": the five
// tables of schema version 11 and the JSON of the note types, the deck and its options.
namespace AnkiSchema {

// The note types' fields, in stored order.
QStringList sentenceFields(); // English, Chinese, Audio
QStringList wordFields();     // Word, IPA, Meaning, Sentence, Audio

// Fixed ids: Anki recognises a note type by its id, so every deck we write shares them.
inline constexpr qint64 sentenceModelId = 1'700'000'000'001;
inline constexpr qint64 wordModelId = 1'700'000'000'002;

// The card kinds of a sentence note, by template position.
enum SentenceCard { Listening = 0, Reading = 1 };

// Creates the tables and the single collection row: the note types and one deck named
// `deckName` with id `deckId`. `now` is in seconds since the epoch.
bool create(QSqlDatabase& db, qint64 deckId, const QString& deckName, qint64 now, QString* error);

// Anki's note checksum: the first 8 hex digits of the SHA-1 of the sort field as a number.
qint64 checksum(const QString& sortField);

// A stable id in the range Anki's own millisecond ids take, from a key naming what it is.
qint64 stableId(const QString& key);
// A stable note guid from the same key, in the letters Anki's guids use.
QString stableGuid(const QString& key);

} // namespace AnkiSchema
