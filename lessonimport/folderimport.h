#pragma once

#include "lessonimport/lessonimport.h"

#include <QList>
#include <QString>
#include <QStringList>

// A folder of a book's lessons imported at once: what its files pair up to and what each
// lesson holds now (the plan, shown for review before anything is aligned), then each
// recording aligned and its lessons stored one by one, each all or nothing.
namespace FolderImport {

struct Sources
{
    QString storeFolder;     // the learner's store
    QString carriedDatabase; // the carried course, to say which lessons it holds; may be empty
};

// One recording of the folder and the lessons it holds.
struct Item
{
    QString recording;              // file name within the folder
    QStringList texts;              // one for each lesson, in the same order
    QList<int> lessons;             // one, or two for a recording of two lessons
    QList<LessonImport::Held> held; // what each lesson holds now
    QString refusal;                // set: not imported, and why (Chinese)
    bool replace = false;           // what the lessons hold may be replaced
    bool holdsAnything() const;
};

struct Plan
{
    QString folder;
    int book = 0;
    QList<Item> items; // by lesson number
    // Files left out, each with the reason, in Chinese.
    QStringList skipped;
    // Set when nothing can be imported (no such folder, no pairs, an unreadable store), in
    // Chinese; the items are then empty.
    QString problem;
};

// Pairs up the folder's files by the lesson numbers in their names and reads what each lesson
// holds now. A lesson the book does not have is refused here.
Plan plan(const Sources& sources, int book, const QString& folder);

struct Outcome
{
    enum class Status { Stored, Refused, Cancelled };
    int lesson = 0;
    Status status = Status::Refused;
    QList<int> unsure; // stored: its sentences the aligner was unsure of, counted from 1
    QString reason;    // refused: why, in Chinese
    // Stored: false when a timed text gave the times, which the aligner does not judge.
    bool judged = true;
};

// Aligns the item's recording with its texts and stores each lesson, unless the item carries
// a refusal. A lesson that holds something when it is stored (another copy of the program may
// have imported it meanwhile) is refused unless `item.replace`. `progress` gets this item's
// share done (0..1); false from it cancels: the lessons not yet stored are Cancelled and
// keep what they held. One outcome for each of the item's lessons, in order.
QList<Outcome> importItem(const Sources& sources, const Plan& plan, const Item& item,
                          bool keepTimes, const SentenceAligner::Progress& progress = {});

// "第 3、5 句没有把握，请试听核对" for the learner; "" for none.
QString unsureText(const QList<int>& unsure);

// What came of a folder, for the learner: how many lessons were stored, which of them have
// sentences to check, which were refused and why, and which were left when it was cancelled.
QString summary(const QList<Outcome>& outcomes);

} // namespace FolderImport
