#pragma once

#include "export/exportitems.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// An Anki deck file (".apkg") being put together: a collection of notes in SQLite, written
// through Qt SQL into a private temporary folder, and the sound files the notes name. write()
// zips both with libzip in memory and saves the result in one step, so a failure leaves no
// half-written deck and an existing file as it was.
//
// Notes take their ids and guids from what they are (the sentence's book, lesson and place; the
// word's headword), and their modification time from now: importing a newer deck of the same
// sentences updates the cards the learner has rather than adding copies.
class AnkiPackage
{
public:
    explicit AnkiPackage(const QString& deckName);
    ~AnkiPackage();
    AnkiPackage(const AnkiPackage&) = delete;
    AnkiPackage& operator=(const AnkiPackage&) = delete;

    // Whether the collection could be made; when not, error() says why and nothing else works.
    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

    // `soundName` is a sound file added with addSound(), or "" for a note without sound.
    bool addSentence(const ExportSentence& sentence, const QString& soundName);
    bool addWord(const ExportWord& word, const QString& soundName);
    // Adds a sound file once; a name added before is kept as it was.
    void addSound(const QString& name, const QByteArray& data);
    bool hasSound(const QString& name) const;

    int noteCount() const { return m_notes; }

    // Writes the deck. `error` in Chinese: the folder cannot be written or is full.
    bool write(const QString& path, QString* error);

    // The sound file name of a sentence: "orlune-1-007-03.ogg".
    static QString soundName(const ExportSentence& sentence);
    static qint64 sentenceNoteId(const ExportSentence& sentence);
    static qint64 wordNoteId(const QString& headword);

private:
    bool addNote(const QString& key, qint64 modelId, const QStringList& fields,
                 const QString& sortField, const QString& tags, const QList<int>& cards);
    QByteArray zipped(QString* error);

    QTemporaryDir m_folder;
    QString m_connection;
    QString m_error;
    qint64 m_deckId = 0;
    qint64 m_now = 0;
    int m_notes = 0;
    QList<QPair<QString, QByteArray>> m_sounds;
};
