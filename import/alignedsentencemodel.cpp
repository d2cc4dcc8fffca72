#include "import/alignedsentencemodel.h"

#include "lessons/timetext.h"

#include <QColor>
#include <QtMath>
#include <algorithm>

namespace {
qint64 toMilliseconds(double seconds)
{
    return qRound64(seconds * 1000.0);
}
} // namespace

void AlignedSentenceModel::setSentences(const QStringList& sentences,
                                        const QStringList& translations,
                                        const QList<SentenceAligner::Span>& spans,
                                        double recordingSeconds, bool speechAfterLast,
                                        const QList<double>& confidence)
{
    beginResetModel();
    m_rows.clear();
    m_keepLastEnd = speechAfterLast;
    m_recordingEnd = toMilliseconds(recordingSeconds);
    const qsizetype count = std::min(sentences.size(), spans.size());
    for (qsizetype i = 0; i < count; ++i) {
        m_rows.append({sentences[i], i < translations.size() ? translations[i] : QString(),
                       toMilliseconds(spans[i].start), toMilliseconds(spans[i].end),
                       confidence.value(i, 1) < SentenceAligner::unsureBelow});
    }
    endResetModel();
}

void AlignedSentenceModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

bool AlignedSentenceModel::isUnsure(int row) const
{
    return row >= 0 && row < m_rows.size() && m_rows[row].unsure;
}

int AlignedSentenceModel::unsureCount() const
{
    return int(
        std::count_if(m_rows.cbegin(), m_rows.cend(), [](const Row& r) { return r.unsure; }));
}

bool AlignedSentenceModel::hasTranslations() const
{
    return std::any_of(m_rows.cbegin(), m_rows.cend(),
                       [](const Row& row) { return !row.translation.isEmpty(); });
}

bool AlignedSentenceModel::nudgeStart(int row, int milliseconds)
{
    if (row < 0 || row >= m_rows.size()) {
        return false;
    }
    Row& r = m_rows[row];
    const qint64 lowest = row > 0 ? m_rows[row - 1].end : 0;
    const qint64 highest = std::max(lowest, r.end - shortestMilliseconds);
    const qint64 moved = std::clamp(r.start + milliseconds, lowest, highest);
    if (moved == r.start) {
        return false;
    }
    r.start = moved;
    r.unsure = false;
    rowChanged(row);
    return true;
}

bool AlignedSentenceModel::nudgeEnd(int row, int milliseconds)
{
    if (row < 0 || row >= m_rows.size()) {
        return false;
    }
    Row& r = m_rows[row];
    const qint64 highest =
        row + 1 < m_rows.size() ? m_rows[row + 1].start : std::max(m_recordingEnd, r.end);
    const qint64 lowest = std::min(highest, r.start + shortestMilliseconds);
    const qint64 moved = std::clamp(r.end + milliseconds, lowest, highest);
    if (moved == r.end) {
        return false;
    }
    r.end = moved;
    r.unsure = false;
    rowChanged(row);
    return true;
}

double AlignedSentenceModel::startSeconds(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].start / 1000.0 : 0.0;
}

double AlignedSentenceModel::endSeconds(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows[row].end / 1000.0 : 0.0;
}

QList<SentenceRow> AlignedSentenceModel::sentenceRows() const
{
    QList<SentenceRow> rows;
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        const Row& r = m_rows[i];
        // Left open, the last sentence plays to the end of the recording, as carried lessons'
        // do; not when the recording goes on with what the text does not hold.
        const bool last = i + 1 == m_rows.size() && !m_keepLastEnd;
        rows.append({r.sentence, r.translation, TimeText::fromSeconds(r.start / 1000.0),
                     last ? QString() : TimeText::fromSeconds(r.end / 1000.0)});
    }
    return rows;
}

int AlignedSentenceModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int AlignedSentenceModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AlignedSentenceModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size()) {
        return {};
    }
    const Row& r = m_rows[index.row()];
    if (role == Qt::TextAlignmentRole &&
        (index.column() == StartColumn || index.column() == EndColumn)) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (r.unsure && role == Qt::BackgroundRole) {
        return QColor(255, 232, 160);
    }
    if (r.unsure && role == Qt::ToolTipRole) {
        return QStringLiteral("自动对齐对这一句没有把握：请双击试听，核对开始和结束时间。");
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::EditRole) {
        return {};
    }
    switch (index.column()) {
    case SentenceColumn:
        return r.sentence;
    case StartColumn:
        return QString::number(r.start / 1000.0, 'f', 2);
    case EndColumn:
        return QString::number(r.end / 1000.0, 'f', 2);
    case TranslationColumn:
        return r.translation;
    default:
        return {};
    }
}

bool AlignedSentenceModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) {
        return false;
    }
    const QString text = value.toString().simplified();
    Row& r = m_rows[index.row()];
    // A sentence cannot be emptied: its row would play a clip with nothing to read.
    if (index.column() == SentenceColumn) {
        if (text.isEmpty()) {
            return false;
        }
        r.sentence = text;
    } else {
        r.translation = text;
    }
    emit dataChanged(index, index);
    return true;
}

Qt::ItemFlags AlignedSentenceModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.row() < m_rows.size() &&
        (index.column() == SentenceColumn || index.column() == TranslationColumn)) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

QVariant AlignedSentenceModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (orientation == Qt::Vertical) {
        return section + 1;
    }
    switch (section) {
    case SentenceColumn:
        return QStringLiteral("句子");
    case StartColumn:
        return QStringLiteral("开始（秒）");
    case EndColumn:
        return QStringLiteral("结束（秒）");
    case TranslationColumn:
        return QStringLiteral("译文");
    default:
        return {};
    }
}

void AlignedSentenceModel::rowChanged(int row)
{
    // The whole row: a moved boundary also takes away the mark of a sentence to check.
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}
