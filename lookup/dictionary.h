#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>

// The dictionary text, read once and indexed by headword.
//
// The file is one GBK line: "$" entry "$" entry ... "$", then CR LF. Only the text up to
// the first CR is kept. A missing, unreadable or malformed file gives a dictionary in
// which nothing is found; nothing here throws or asserts on the file's content.
class Dictionary
{
public:
    Dictionary() = default;

    // Far above any real dictionary (a few MB), far below what would exhaust memory.
    static constexpr qint64 maxFileBytes = 64 * 1024 * 1024;

    // Reads and indexes the file at `path`; an empty dictionary when it cannot be read, is
    // not a regular file (a device or a pipe would never end or never start) or is larger
    // than maxFileBytes. Why it was refused goes to `problem` when given.
    static Dictionary fromFile(const QString& path, QString* problem = nullptr);
    // Decodes `bytes` from GBK up to the first CR and indexes the text.
    static Dictionary fromBytes(const QByteArray& bytes);

    bool isEmpty() const { return m_text.isEmpty(); }
    // The decoded line, without its CR.
    const QString& text() const { return m_text; }
    // How many distinct headwords (ignoring ASCII case) the index holds.
    qsizetype headwordCount() const { return m_index.size(); }

    // Where `"$" + word + "["` first occurs in text(), comparing ASCII letters without
    // regard to case: the index of that "$", or -1. The earliest entry in the file wins
    // when several headwords differ only in case.
    qsizetype find(QStringView word) const;

    // ASCII-only lower-casing, the case folding the headword search uses.
    static QString foldCase(QStringView text);

private:
    void buildIndex();
    qsizetype scan(QStringView word) const;

    QString m_text;
    // Folded headword → index of the "$" that opens its first entry.
    QHash<QString, qsizetype> m_index;
};
