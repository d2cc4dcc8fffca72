#pragma once

#include "align/sentencealigner.h"
#include "lessons/lessondatabase.h"

#include <QAbstractTableModel>
#include <QStringList>

// The sentences of an aligned recording with their times, as the import dialog lists them.
// Times are kept in whole milliseconds so that nudging them back and forth returns exactly
// where it started, and a boundary never crosses its neighbour's.
class AlignedSentenceModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { SentenceColumn, StartColumn, EndColumn, TranslationColumn, ColumnCount };

    // How far one press of a nudge button moves a boundary.
    static constexpr int nudgeMilliseconds = 50;
    // A sentence never gets shorter than this, however its boundaries are moved.
    static constexpr int shortestMilliseconds = 100;

    using QAbstractTableModel::QAbstractTableModel;

    // `translations` is empty or holds one line per sentence; `spans` one per sentence, and
    // `confidence` one per sentence or none: a sentence the aligner is unsure of is marked for
    // the learner to check until one of its boundaries is moved.
    void setSentences(const QStringList& sentences, const QStringList& translations,
                      const QList<SentenceAligner::Span>& spans, double recordingSeconds,
                      bool speechAfterLast = false, const QList<double>& confidence = {});
    void clear();
    bool isEmpty() const { return m_rows.isEmpty(); }
    bool hasTranslations() const;

    // Move one boundary by `milliseconds` (negative: earlier), kept between the neighbours:
    // a start never before the previous end (or 0), an end never after the next start (or the
    // recording's end). False when the boundary could not move at all.
    bool nudgeStart(int row, int milliseconds);
    bool nudgeEnd(int row, int milliseconds);

    bool isUnsure(int row) const;
    int unsureCount() const;

    double startSeconds(int row) const;
    double endSeconds(int row) const;

    // The rows as the lesson database stores them: times in the carried form, the last
    // sentence's end left empty so that it plays to the end of the recording.
    QList<SentenceRow> sentenceRows() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The sentence and its translation may be mended in place; the times through the nudges.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row
    {
        QString sentence;
        QString translation;
        qint64 start = 0; // milliseconds
        qint64 end = 0;
        bool unsure = false;
    };
    void rowChanged(int row);

    QList<Row> m_rows;
    qint64 m_recordingEnd = 0;
    bool m_keepLastEnd = false;
};
