#pragma once

#include "lessonimport/folderimport.h"

#include <QAbstractTableModel>

// The lessons of a folder for review, one row a lesson: the files it comes from, its book and
// lesson, what it holds now (a lesson stored by the run holds the import from then on), and, as
// the import goes on, what came of it and how many of its sentences the aligner was unsure of.
class FolderReviewModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { FilesColumn, LessonColumn, HeldColumn, StatusColumn, UnsureColumn, ColumnCount };
    enum class State { Waiting, Running, Stored, Refused, Cancelled };

    using QAbstractTableModel::QAbstractTableModel;

    void setPlan(const FolderImport::Plan& plan);
    const FolderImport::Plan& plan() const { return m_plan; }
    // The item's lessons are being imported now.
    void setRunning(int item);
    // What came of the item's lessons, one outcome for each, in order.
    void setOutcomes(int item, const QList<FolderImport::Outcome>& outcomes);
    // The lessons of the items still waiting are not imported: the run was cancelled.
    void cancelWaiting();

    State state(int row) const { return m_rows.value(row).state; }
    // The row of a lesson, -1 when the folder has none for it.
    int rowOf(int lesson) const;
    // What came of every lesson that has finished, in table order.
    QList<FolderImport::Outcome> outcomes() const;
    // "第 1 课：随附的课文（16 句）" for each lesson that holds something now and has no refusal
    // of its own: what an import would replace.
    QStringList heldLessons() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row
    {
        int item = 0;
        int lesson = 0;
        LessonImport::Held held;
        State state = State::Waiting;
        FolderImport::Outcome outcome;
    };
    QString files(const Row& row) const;
    QString status(const Row& row) const;
    void rowsChanged(int first, int last);

    FolderImport::Plan m_plan;
    QList<Row> m_rows;
};
