#include "import/folderreviewmodel.h"

#include <QColor>

using namespace Qt::StringLiterals;

void FolderReviewModel::setPlan(const FolderImport::Plan& plan)
{
    beginResetModel();
    m_plan = plan;
    m_rows.clear();
    for (qsizetype i = 0; i < plan.items.size(); ++i) {
        const FolderImport::Item& item = plan.items[i];
        for (qsizetype k = 0; k < item.lessons.size(); ++k) {
            Row row{int(i), item.lessons[k], item.held.value(k), State::Waiting, {}};
            row.outcome.lesson = row.lesson;
            m_rows << row;
        }
    }
    endResetModel();
}

void FolderReviewModel::setRunning(int item)
{
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].item == item) {
            m_rows[i].state = State::Running;
            rowsChanged(int(i), int(i));
        }
    }
}

void FolderReviewModel::setOutcomes(int item, const QList<FolderImport::Outcome>& outcomes)
{
    using Status = FolderImport::Outcome::Status;
    for (const FolderImport::Outcome& outcome : outcomes) {
        for (qsizetype i = 0; i < m_rows.size(); ++i) {
            Row& row = m_rows[i];
            if (row.item != item || row.lesson != outcome.lesson) {
                continue;
            }
            row.outcome = outcome;
            // The column says what the lesson holds now: once stored, the learner's import.
            if (outcome.status == Status::Stored) {
                row.held = {LessonImport::Holding::Imported, 0};
            }
            row.state = outcome.status == Status::Stored    ? State::Stored
                        : outcome.status == Status::Refused ? State::Refused
                                                            : State::Cancelled;
            rowsChanged(int(i), int(i));
        }
    }
}

void FolderReviewModel::cancelWaiting()
{
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].state == State::Waiting || m_rows[i].state == State::Running) {
            m_rows[i].state = State::Cancelled;
            m_rows[i].outcome.status = FolderImport::Outcome::Status::Cancelled;
            rowsChanged(int(i), int(i));
        }
    }
}

int FolderReviewModel::rowOf(int lesson) const
{
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].lesson == lesson) {
            return int(i);
        }
    }
    return -1;
}

QList<FolderImport::Outcome> FolderReviewModel::outcomes() const
{
    QList<FolderImport::Outcome> finished;
    for (const Row& row : m_rows) {
        if (row.state != State::Waiting && row.state != State::Running) {
            finished << row.outcome;
        }
    }
    return finished;
}

QStringList FolderReviewModel::heldLessons() const
{
    QStringList held;
    for (const Row& row : m_rows) {
        if (row.held.holding != LessonImport::Holding::Empty &&
            m_plan.items[row.item].refusal.isEmpty()) {
            held << u"第 %1 课：%2"_s.arg(row.lesson).arg(LessonImport::holdingText(row.held));
        }
    }
    return held;
}

int FolderReviewModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int FolderReviewModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString FolderReviewModel::files(const Row& row) const
{
    const FolderImport::Item& item = m_plan.items[row.item];
    const qsizetype k = item.lessons.indexOf(row.lesson);
    return u"%1 + %2"_s.arg(item.recording, item.texts.value(k));
}

QString FolderReviewModel::status(const Row& row) const
{
    const QString refusal = m_plan.items[row.item].refusal;
    switch (row.state) {
    case State::Waiting:
        return refusal.isEmpty() ? u"等待导入"_s : u"不导入：%1"_s.arg(refusal);
    case State::Running:
        return u"正在导入…"_s;
    case State::Stored:
        return row.outcome.unsure.isEmpty() ? u"已导入"_s : u"已导入，需核对"_s;
    case State::Refused:
        return u"未导入：%1"_s.arg(row.outcome.reason);
    case State::Cancelled:
        return u"已取消，未导入"_s;
    }
    return {};
}

QVariant FolderReviewModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size()) {
        return {};
    }
    const Row& row = m_rows[index.row()];
    const bool unsure = row.state == State::Stored && !row.outcome.unsure.isEmpty();
    const bool refused = row.state == State::Refused ||
                         (row.state == State::Waiting && !m_plan.items[row.item].refusal.isEmpty());
    if (role == Qt::BackgroundRole && unsure) {
        return QColor(255, 232, 160); // the import dialog's mark for a sentence to check
    }
    if (role == Qt::ForegroundRole && refused && index.column() == StatusColumn) {
        return QColor(176, 0, 32);
    }
    if (role == Qt::ToolTipRole && index.column() == UnsureColumn && unsure) {
        return FolderImport::unsureText(row.outcome.unsure);
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
        return {};
    }
    switch (index.column()) {
    case FilesColumn:
        return files(row);
    case LessonColumn:
        return u"第%1册第 %2 课"_s.arg(m_plan.book).arg(row.lesson);
    case HeldColumn:
        return LessonImport::holdingText(row.held);
    case StatusColumn:
        return status(row);
    case UnsureColumn:
        if (row.state != State::Stored) {
            return {};
        }
        // Times from a timed text are the learner's own: nothing was judged, so no count.
        return row.outcome.judged ? QVariant(int(row.outcome.unsure.size())) : QVariant(u"—"_s);
    }
    return {};
}

QVariant FolderReviewModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const QStringList titles = {u"文件"_s, u"课次"_s, u"现有内容"_s, u"状态"_s,
                                       u"没把握的句子"_s};
    return titles.value(section);
}

void FolderReviewModel::rowsChanged(int first, int last)
{
    emit dataChanged(index(first, 0), index(last, ColumnCount - 1));
}
