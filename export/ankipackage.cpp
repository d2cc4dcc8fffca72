#include "export/ankipackage.h"

#include "export/ankischema.h"
#include "export/deckexport.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <zip.h>

using namespace Qt::StringLiterals;

namespace {

constexpr auto collectionName = "collection.anki2";
const QChar fieldSeparator = QChar(0x1f);

QString uniqueConnection()
{
    static QAtomicInt counter;
    return u"orlune-anki-%1"_s.arg(counter.fetchAndAddRelaxed(1));
}

struct ZipArchive
{
    zip_source_t* source = nullptr;
    zip_t* archive = nullptr;
    ~ZipArchive()
    {
        if (archive != nullptr) {
            zip_discard(archive);
        }
        if (source != nullptr) {
            zip_source_free(source);
        }
    }
};

// The buffer is libzip's from here on: it frees it when the archive is done.
bool addEntry(zip_t* archive, const QString& name, const QByteArray& data)
{
    void* copy = std::malloc(size_t(std::max<qsizetype>(data.size(), 1)));
    if (copy == nullptr) {
        return false;
    }
    std::memcpy(copy, data.constData(), size_t(data.size()));
    zip_source_t* entry = zip_source_buffer(archive, copy, zip_uint64_t(data.size()), 1);
    if (entry == nullptr) {
        std::free(copy);
        return false;
    }
    const zip_int64_t index =
        zip_file_add(archive, name.toUtf8().constData(), entry, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(entry);
        return false;
    }
    // libzip marks buffers 0666, which unzip keeps: a learner unpacking the deck by hand would
    // get files every user may write to.
    constexpr zip_uint32_t regularFile = 0100644;
    return zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX,
                                            regularFile << 16) == 0;
}

} // namespace

AnkiPackage::AnkiPackage(const QString& deckName)
    : m_connection(uniqueConnection()), m_now(QDateTime::currentSecsSinceEpoch())
{
    if (!m_folder.isValid()) {
        m_error = u"无法建立临时文件夹"_s;
        return;
    }
    m_deckId = AnkiSchema::stableId(u"deck:"_s + deckName);
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    db.setDatabaseName(m_folder.filePath(QString::fromLatin1(collectionName)));
    QString failure;
    if (!db.open() || !db.transaction() ||
        !AnkiSchema::create(db, m_deckId, deckName, m_now, &failure)) {
        m_error = u"无法建立卡组："_s + (failure.isEmpty() ? db.lastError().text() : failure);
    }
}

AnkiPackage::~AnkiPackage()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

QString AnkiPackage::soundName(const ExportSentence& sentence)
{
    return u"orlune-%1-%2-%3.ogg"_s.arg(sentence.book)
        .arg(sentence.lesson, 3, 10, QChar(u'0'))
        .arg(sentence.index + 1, 2, 10, QChar(u'0'));
}

qint64 AnkiPackage::sentenceNoteId(const ExportSentence& sentence)
{
    return AnkiSchema::stableId(
        u"sentence:%1/%2/%3"_s.arg(sentence.book).arg(sentence.lesson).arg(sentence.index));
}

qint64 AnkiPackage::wordNoteId(const QString& headword)
{
    return AnkiSchema::stableId(u"word:"_s + headword.toLower());
}

bool AnkiPackage::addSentence(const ExportSentence& sentence, const QString& soundName)
{
    const QString sound = soundName.isEmpty() ? QString() : u"[sound:%1]"_s.arg(soundName);
    QList<int> cards{AnkiSchema::Reading};
    if (!sound.isEmpty()) {
        cards.prepend(AnkiSchema::Listening);
    }
    return addNote(
        u"sentence:%1/%2/%3"_s.arg(sentence.book).arg(sentence.lesson).arg(sentence.index),
        AnkiSchema::sentenceModelId,
        {sentence.english.toHtmlEscaped(), sentence.chinese.toHtmlEscaped(), sound},
        sentence.english, sentence.lessonTag(), cards);
}

bool AnkiPackage::addWord(const ExportWord& word, const QString& soundName)
{
    const QString sound = soundName.isEmpty() ? QString() : u"[sound:%1]"_s.arg(soundName);
    return addNote(u"word:"_s + word.headword.toLower(), AnkiSchema::wordModelId,
                   {word.headword.toHtmlEscaped(), word.phonetic.toHtmlEscaped(),
                    word.meaning.toHtmlEscaped(), word.sentence.english.toHtmlEscaped(), sound},
                   word.headword, u"Orlune::生词本 "_s + word.sentence.lessonTag(), {0});
}

bool AnkiPackage::addNote(const QString& key, qint64 modelId, const QStringList& fields,
                          const QString& sortField, const QString& tags, const QList<int>& cards)
{
    if (!isValid()) {
        return false;
    }
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    const qint64 noteId = AnkiSchema::stableId(key);
    // A sentence chosen twice is one note.
    query.prepare(u"INSERT OR REPLACE INTO notes VALUES (?, ?, ?, ?, -1, ?, ?, ?, ?, 0, '')"_s);
    query.addBindValue(noteId);
    query.addBindValue(AnkiSchema::stableGuid(key));
    query.addBindValue(modelId);
    query.addBindValue(m_now);
    query.addBindValue(QString(u' ' + tags + u' '));
    query.addBindValue(fields.join(fieldSeparator));
    query.addBindValue(sortField);
    query.addBindValue(AnkiSchema::checksum(sortField));
    if (!query.exec()) {
        m_error = u"无法写入卡组："_s + query.lastError().text();
        return false;
    }
    for (int ord : cards) {
        query.prepare(u"INSERT OR REPLACE INTO cards VALUES "
                      "(?, ?, ?, ?, ?, -1, 0, 0, ?, 0, 0, 0, 0, 0, 0, 0, 0, '')"_s);
        query.addBindValue(AnkiSchema::stableId(key + u"#card"_s + QString::number(ord)));
        query.addBindValue(noteId);
        query.addBindValue(m_deckId);
        query.addBindValue(ord);
        query.addBindValue(m_now);
        query.addBindValue(m_notes + 1);
        if (!query.exec()) {
            m_error = u"无法写入卡组："_s + query.lastError().text();
            return false;
        }
    }
    ++m_notes;
    return true;
}

void AnkiPackage::addSound(const QString& name, const QByteArray& data)
{
    if (!hasSound(name)) {
        m_sounds.append({name, data});
    }
}

bool AnkiPackage::hasSound(const QString& name) const
{
    for (const auto& sound : m_sounds) {
        if (sound.first == name) {
            return true;
        }
    }
    return false;
}

QByteArray AnkiPackage::zipped(QString* error)
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (!db.commit()) {
            *error = u"无法写入卡组："_s + db.lastError().text();
            return {};
        }
        db.close();
    }
    QFile collection(m_folder.filePath(QString::fromLatin1(collectionName)));
    if (!collection.open(QIODevice::ReadOnly)) {
        *error = u"无法读取临时卡组"_s;
        return {};
    }
    const QByteArray database = collection.readAll();

    // Anki's media map: the zip entry "0" is the file the notes call by this name, and so on.
    QJsonObject mediaMap;
    for (int i = 0; i < m_sounds.size(); ++i) {
        mediaMap.insert(QString::number(i), m_sounds[i].first);
    }

    ZipArchive zip;
    zip_error_t zipError;
    zip_error_init(&zipError);
    zip.source = zip_source_buffer_create(nullptr, 0, 0, &zipError);
    if (zip.source != nullptr) {
        // Keep the buffer for reading back once the archive is closed.
        zip_source_keep(zip.source);
        zip.archive = zip_open_from_source(zip.source, ZIP_TRUNCATE, &zipError);
    }
    bool packed =
        zip.archive != nullptr &&
        addEntry(zip.archive, QString::fromLatin1(collectionName), database) &&
        addEntry(zip.archive, u"media"_s, QJsonDocument(mediaMap).toJson(QJsonDocument::Compact));
    for (int i = 0; packed && i < m_sounds.size(); ++i) {
        packed = addEntry(zip.archive, QString::number(i), m_sounds[i].second);
    }
    zip_error_fini(&zipError);
    if (!packed || zip_close(zip.archive) != 0) {
        *error = u"无法打包卡组"_s;
        return {};
    }
    zip.archive = nullptr;

    QByteArray bytes;
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_source_stat(zip.source, &stat) != 0 || zip_source_open(zip.source) != 0) {
        *error = u"无法打包卡组"_s;
        return {};
    }
    bytes.resize(qsizetype(stat.size));
    const zip_int64_t got = zip_source_read(zip.source, bytes.data(), stat.size);
    zip_source_close(zip.source);
    if (got != zip_int64_t(stat.size)) {
        *error = u"无法打包卡组"_s;
        return {};
    }
    return bytes;
}

bool AnkiPackage::write(const QString& path, QString* error)
{
    if (!isValid()) {
        *error = m_error;
        return false;
    }
    const QByteArray bytes = zipped(error);
    if (bytes.isEmpty()) {
        return false;
    }
    return DeckExport::saveBytes(path, bytes, error);
}
