#include "export/ankischema.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace AnkiSchema {

namespace {

const char* const tables[] = {
    "CREATE TABLE col (id integer primary key, crt integer not null, mod integer not null, "
    "scm integer not null, ver integer not null, dty integer not null, usn integer not null, "
    "ls integer not null, conf text not null, models text not null, decks text not null, "
    "dconf text not null, tags text not null)",
    "CREATE TABLE notes (id integer primary key, guid text not null, mid integer not null, "
    "mod integer not null, usn integer not null, tags text not null, flds text not null, "
    "sfld integer not null, csum integer not null, flags integer not null, data text not null)",
    "CREATE TABLE cards (id integer primary key, nid integer not null, did integer not null, "
    "ord integer not null, mod integer not null, usn integer not null, type integer not null, "
    "queue integer not null, due integer not null, ivl integer not null, factor integer not "
    "null, reps integer not null, lapses integer not null, left integer not null, odue integer "
    "not null, odid integer not null, flags integer not null, data text not null)",
    "CREATE TABLE revlog (id integer primary key, cid integer not null, usn integer not null, "
    "ease integer not null, ivl integer not null, lastIvl integer not null, factor integer not "
    "null, time integer not null, type integer not null)",
    "CREATE TABLE graves (usn integer not null, oid integer not null, type integer not null)",
    "CREATE INDEX ix_notes_usn on notes (usn)",
    "CREATE INDEX ix_cards_usn on cards (usn)",
    "CREATE INDEX ix_revlog_usn on revlog (usn)",
    "CREATE INDEX ix_cards_nid on cards (nid)",
    "CREATE INDEX ix_cards_sched on cards (did, queue, due)",
    "CREATE INDEX ix_revlog_cid on revlog (cid)",
    "CREATE INDEX ix_notes_csum on notes (csum)",
};

// Schema version 11 is the one every Anki since 2.1 and AnkiDroid import.
constexpr int schemaVersion = 11;

const QString css = u".card { font-family: \"Noto Sans CJK SC\", sans-serif; font-size: 24px; "
                    "text-align: center; }\n.zh { color: #555; margin-top: 12px; }\n"
                    ".ipa { font-family: \"Doulos SIL\", serif; color: #336; }\n"
                    ".hint { color: #888; font-size: 16px; }\n"_s;

QJsonArray fieldsJson(const QStringList& names)
{
    QJsonArray fields;
    for (int i = 0; i < names.size(); ++i) {
        fields.append(QJsonObject{{u"name"_s, names[i]},
                                  {u"ord"_s, i},
                                  {u"sticky"_s, false},
                                  {u"rtl"_s, false},
                                  {u"font"_s, u"Arial"_s},
                                  {u"size"_s, 20},
                                  {u"media"_s, QJsonArray()}});
    }
    return fields;
}

QJsonObject templateJson(const QString& name, int ord, const QString& front, const QString& back)
{
    return {{u"name"_s, name},        {u"ord"_s, ord},     {u"qfmt"_s, front}, {u"afmt"_s, back},
            {u"did"_s, QJsonValue()}, {u"bqfmt"_s, u""_s}, {u"bafmt"_s, u""_s}};
}

QJsonObject modelJson(qint64 id, const QString& name, const QStringList& fields,
                      const QJsonArray& templates, const QJsonArray& required, qint64 deckId,
                      qint64 now)
{
    return {{u"id"_s, id},
            {u"name"_s, name},
            {u"type"_s, 0},
            {u"mod"_s, now},
            {u"usn"_s, -1},
            {u"sortf"_s, 0},
            {u"did"_s, deckId},
            {u"tmpls"_s, templates},
            {u"flds"_s, fieldsJson(fields)},
            {u"css"_s, css},
            {u"latexPre"_s, u""_s},
            {u"latexPost"_s, u""_s},
            {u"tags"_s, QJsonArray()},
            {u"vers"_s, QJsonArray()},
            {u"req"_s, required}};
}

QJsonObject modelsJson(qint64 deckId, qint64 now)
{
    // Listening hides the text until the sentence was heard; a note without sound gets no
    // listening card, as its front would be empty.
    const QJsonArray sentenceTemplates{
        templateJson(u"听句"_s, Listening,
                     u"{{#Audio}}{{Audio}}<div class=hint>听，然后说出这句话</div>{{/Audio}}"_s,
                     u"{{FrontSide}}<hr id=answer><div>{{English}}</div>"
                     "<div class=zh>{{Chinese}}</div>"_s),
        templateJson(u"读句"_s, Reading, u"<div>{{English}}</div>"_s,
                     u"{{FrontSide}}<hr id=answer>{{Audio}}<div class=zh>{{Chinese}}</div>"_s)};
    const QJsonArray sentenceRequired{QJsonArray{Listening, u"all"_s, QJsonArray{2}},
                                      QJsonArray{Reading, u"all"_s, QJsonArray{0}}};
    const QJsonArray wordTemplates{
        templateJson(u"生词"_s, 0, u"<div>{{Word}}</div><div class=ipa>{{IPA}}</div>"_s,
                     u"{{FrontSide}}<hr id=answer><div class=zh>{{Meaning}}</div>"
                     "<div class=hint>{{Sentence}}</div>{{Audio}}"_s)};
    const QJsonArray wordRequired{QJsonArray{0, u"all"_s, QJsonArray{0}}};
    QJsonObject models;
    models.insert(QString::number(sentenceModelId),
                  modelJson(sentenceModelId, u"Orlune 句子"_s, sentenceFields(), sentenceTemplates,
                            sentenceRequired, deckId, now));
    models.insert(QString::number(wordModelId),
                  modelJson(wordModelId, u"Orlune 生词"_s, wordFields(), wordTemplates,
                            wordRequired, deckId, now));
    return models;
}

QJsonObject deckJson(qint64 id, const QString& name, qint64 now)
{
    return {{u"id"_s, id},
            {u"name"_s, name},
            {u"mod"_s, now},
            {u"usn"_s, -1},
            {u"lrnToday"_s, QJsonArray{0, 0}},
            {u"revToday"_s, QJsonArray{0, 0}},
            {u"newToday"_s, QJsonArray{0, 0}},
            {u"timeToday"_s, QJsonArray{0, 0}},
            {u"collapsed"_s, false},
            {u"desc"_s, u""_s},
            {u"dyn"_s, 0},
            {u"conf"_s, 1},
            {u"extendNew"_s, 10},
            {u"extendRev"_s, 50}};
}

QJsonObject deckOptionsJson()
{
    const QJsonObject fresh{{u"delays"_s, QJsonArray{1, 10}},
                            {u"ints"_s, QJsonArray{1, 4, 7}},
                            {u"initialFactor"_s, 2500},
                            {u"order"_s, 1},
                            {u"perDay"_s, 20},
                            {u"bury"_s, false},
                            {u"separate"_s, true}};
    const QJsonObject review{{u"perDay"_s, 200}, {u"ease4"_s, 1.3},    {u"fuzz"_s, 0.05},
                             {u"ivlFct"_s, 1},   {u"maxIvl"_s, 36500}, {u"bury"_s, false},
                             {u"minSpace"_s, 1}};
    const QJsonObject lapse{{u"delays"_s, QJsonArray{10}},
                            {u"mult"_s, 0},
                            {u"minInt"_s, 1},
                            {u"leechFails"_s, 8},
                            {u"leechAction"_s, 0}};
    const QJsonObject options{{u"id"_s, 1},         {u"name"_s, u"Default"_s},
                              {u"new"_s, fresh},    {u"rev"_s, review},
                              {u"lapse"_s, lapse},  {u"maxTaken"_s, 60},
                              {u"timer"_s, 0},      {u"autoplay"_s, true},
                              {u"replayq"_s, true}, {u"mod"_s, 0},
                              {u"usn"_s, 0},        {u"dyn"_s, false}};
    return {{u"1"_s, options}};
}

QString json(const QJsonObject& object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace

QStringList sentenceFields()
{
    return {u"English"_s, u"Chinese"_s, u"Audio"_s};
}

QStringList wordFields()
{
    return {u"Word"_s, u"IPA"_s, u"Meaning"_s, u"Sentence"_s, u"Audio"_s};
}

bool create(QSqlDatabase& db, qint64 deckId, const QString& deckName, qint64 now, QString* error)
{
    QSqlQuery query(db);
    for (const char* statement : tables) {
        if (!query.exec(QString::fromLatin1(statement))) {
            *error = query.lastError().text();
            return false;
        }
    }
    QJsonObject decks{{u"1"_s, deckJson(1, u"Default"_s, now)}};
    decks.insert(QString::number(deckId), deckJson(deckId, deckName, now));
    const QJsonObject conf{{u"nextPos"_s, 1},
                           {u"estTimes"_s, true},
                           {u"activeDecks"_s, QJsonArray{deckId}},
                           {u"sortType"_s, u"noteFld"_s},
                           {u"timeLim"_s, 0},
                           {u"sortBackwards"_s, false},
                           {u"addToCur"_s, true},
                           {u"curDeck"_s, deckId},
                           {u"newBury"_s, true},
                           {u"newSpread"_s, 0},
                           {u"dueCounts"_s, true},
                           {u"curModel"_s, QString::number(sentenceModelId)},
                           {u"collapseTime"_s, 1200}};
    query.prepare(u"INSERT INTO col VALUES (1, ?, ?, ?, ?, 0, 0, 0, ?, ?, ?, ?, '{}')"_s);
    query.addBindValue(now);
    query.addBindValue(now * 1000);
    query.addBindValue(now * 1000);
    query.addBindValue(schemaVersion);
    query.addBindValue(json(conf));
    query.addBindValue(json(modelsJson(deckId, now)));
    query.addBindValue(json(decks));
    query.addBindValue(json(deckOptionsJson()));
    if (!query.exec()) {
        *error = query.lastError().text();
        return false;
    }
    return true;
}

qint64 checksum(const QString& sortField)
{
    const QByteArray hash =
        QCryptographicHash::hash(sortField.toUtf8(), QCryptographicHash::Sha1).toHex();
    return hash.left(8).toLongLong(nullptr, 16);
}

qint64 stableId(const QString& key)
{
    const QByteArray hash =
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).left(8);
    quint64 value = 0;
    for (char byte : hash) {
        value = (value << 8) | quint8(byte);
    }
    // Millisecond ids of 2001 to 2020: the shape Anki's own take, far below 2^53 so that
    // AnkiDroid's and the JSON readers' doubles hold them exactly.
    constexpr quint64 first = 1'000'000'000'000;
    constexpr quint64 range = 600'000'000'000;
    return qint64(first + value % range);
}

QString stableGuid(const QString& key)
{
    static const QString letters =
        u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!#$%&()*+,-./:;<=>?@[]^_`{|}~"_s;
    const QByteArray hash =
        QCryptographicHash::hash(u"guid:"_s.append(key).toUtf8(), QCryptographicHash::Sha1);
    quint64 value = 0;
    for (int i = 0; i < 8; ++i) {
        value = (value << 8) | quint8(hash[i]);
    }
    QString guid;
    while (value > 0) {
        guid.append(letters[int(value % quint64(letters.size()))]);
        value /= quint64(letters.size());
    }
    return guid;
}

} // namespace AnkiSchema
