#include "lessonimport/folderimport.h"

#include "align/coursefolder.h"
#include "align/coursetext.h"
#include "lessons/learnerstore.h"
#include "lessons/lessoncatalog.h"

#include <QDir>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace FolderImport {

namespace {

// The texts of one recording's lessons joined, so that the recording is aligned once; `counts`
// says how many sentences each lesson has of them. "" when read, else why.
QString readTexts(const QString& folder, const Item& item, LessonImport::Text* joined,
                  QList<qsizetype>* counts)
{
    for (const QString& name : item.texts) {
        QString text, error;
        if (!CourseText::readTextFile(QDir(folder).filePath(name), &text, &error)) {
            return error;
        }
        const LessonImport::Text one = LessonImport::readText(text);
        const bool plain = one.timed.format == TimedText::Format::Plain;
        if (!counts->isEmpty() && plain != (joined->timed.format == TimedText::Format::Plain)) {
            return u"一个录音里两课的课文，一个带时间一个不带，无法一起对齐"_s;
        }
        joined->sentences += one.sentences;
        joined->timed.format = one.timed.format;
        joined->timed.lines += one.timed.lines;
        *counts << (plain ? one.sentences.size() : one.timed.lines.size());
    }
    return {};
}

QList<Outcome> allAs(const Item& item, Outcome::Status status, const QString& reason)
{
    QList<Outcome> outcomes;
    for (int lesson : item.lessons) {
        outcomes.append({lesson, status, {}, reason});
    }
    return outcomes;
}

// Stores one lesson unless it came to hold something since the plan was made.
Outcome store(const Sources& sources, const Item& item, const LearnerStore::Lesson& lesson,
              int number, QList<int> unsure)
{
    const int book = lesson.bookDigit.toInt();
    const LessonImport::Held now =
        LessonImport::heldBy(sources.storeFolder, sources.carriedDatabase, book, number);
    if (now.holding != LessonImport::Holding::Empty && !item.replace) {
        return {number,
                Outcome::Status::Refused,
                {},
                u"第 %1 课已有%2，没有替换"_s.arg(number).arg(LessonImport::holdingText(now))};
    }
    // Another copy of the program may store the lesson between the look above and this.
    LearnerStore::Lesson guarded = lesson;
    guarded.keepEarlier = !item.replace;
    QString error;
    if (!LearnerStore(sources.storeFolder).importLesson(guarded, &error)) {
        return {number, Outcome::Status::Refused, {}, error};
    }
    return {number, Outcome::Status::Stored, std::move(unsure), {}};
}

} // namespace

bool Item::holdsAnything() const
{
    return std::any_of(held.begin(), held.end(), [](const LessonImport::Held& h) {
        return h.holding != LessonImport::Holding::Empty;
    });
}

Plan plan(const Sources& sources, int book, const QString& folder)
{
    Plan plan;
    plan.folder = folder;
    plan.book = book;
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists()) {
        plan.problem = u"找不到文件夹：%1"_s.arg(QDir::toNativeSeparators(folder));
        return plan;
    }
    if (const QString problem = LearnerStore(sources.storeFolder).problem(); !problem.isEmpty()) {
        plan.problem = problem;
        return plan;
    }
    const CourseFolder::Pairing pairing =
        CourseFolder::pairUp(dir.entryList(QDir::Files | QDir::Readable, QDir::Name));
    plan.skipped = pairing.skipped;
    if (pairing.pairs.isEmpty()) {
        plan.problem = u"文件夹里没有按课号配对的录音和课文（例如 Lesson 012.mp3 和 "
                       u"Lesson 012.lrc）。"_s;
        return plan;
    }
    const int lessonCount =
        book >= 1 && book <= LessonCatalog::bookCount ? LessonCatalog::lessonCounts[book - 1] : 0;
    for (const CourseFolder::Pair& pair : pairing.pairs) {
        Item item{pair.recording, pair.texts, pair.lessons, {}, {}};
        for (int lesson : pair.lessons) {
            if (lesson > lessonCount) {
                item.refusal = u"第 %1 册没有第 %2 课"_s.arg(book).arg(lesson);
                item.held.append(LessonImport::Held{});
            } else {
                item.held.append(LessonImport::heldBy(sources.storeFolder, sources.carriedDatabase,
                                                      book, lesson));
            }
        }
        plan.items << item;
    }
    return plan;
}

QList<Outcome> importItem(const Sources& sources, const Plan& plan, const Item& item,
                          bool keepTimes, const SentenceAligner::Progress& progress)
{
    if (!item.refusal.isEmpty()) {
        return allAs(item, Outcome::Status::Refused, item.refusal);
    }
    LessonImport::Text joined;
    QList<qsizetype> counts;
    if (const QString error = readTexts(plan.folder, item, &joined, &counts); !error.isEmpty()) {
        return allAs(item, Outcome::Status::Refused, error);
    }
    QStringList reasons;
    SentenceAligner::Result result;
    const QString recording = QDir(plan.folder).filePath(item.recording);
    if (!LessonImport::align(recording, &joined, keepTimes, &result, &reasons, progress)) {
        if (result.outcome == SentenceAligner::Outcome::Cancelled) {
            return allAs(item, Outcome::Status::Cancelled, {});
        }
        return allAs(item, Outcome::Status::Refused, reasons.join(u' '));
    }
    // Lines past the recording's end may have gone: each lesson keeps what is left of it.
    QList<Outcome> outcomes;
    qsizetype from = 0;
    for (qsizetype k = 0; k < item.lessons.size(); ++k) {
        const int number = item.lessons[k];
        const qsizetype count = std::min(counts[k], joined.sentences.size() - from);
        if (progress && !progress(1)) {
            outcomes.append({number, Outcome::Status::Cancelled, {}, {}});
            continue;
        }
        if (count <= 0) {
            outcomes.append({number,
                             Outcome::Status::Refused,
                             {},
                             u"第 %1 课的句子都在录音结束之后"_s.arg(number)});
            continue;
        }
        QStringList translations;
        for (qsizetype i = from; i < from + count && i < joined.timed.lines.size(); ++i) {
            translations << joined.timed.lines[i].chinese;
        }
        const bool lastLesson = k == item.lessons.size() - 1;
        const LearnerStore::Lesson lesson{
            QString::number(plan.book),
            LessonCatalog::lessonText(number),
            LessonImport::rowsOf(joined.sentences.mid(from, count), translations, result, from,
                                 lastLesson && !result.speechAfterLast),
            {},
            recording};
        outcomes << store(sources, item, lesson, number,
                          LessonImport::unsureSentences(result, from, count));
        outcomes.last().judged = result.confidence.size() >= from + count;
        from += count;
    }
    return outcomes;
}

QString unsureText(const QList<int>& unsure)
{
    if (unsure.isEmpty()) {
        return {};
    }
    QStringList numbers;
    for (int sentence : unsure) {
        numbers << QString::number(sentence);
    }
    return u"第 %1 句没有把握，请试听核对"_s.arg(numbers.join(u'、'));
}

QString summary(const QList<Outcome>& outcomes)
{
    QStringList toCheck, refused, cancelled;
    qsizetype stored = 0;
    for (const Outcome& outcome : outcomes) {
        switch (outcome.status) {
        case Outcome::Status::Stored:
            ++stored;
            if (!outcome.unsure.isEmpty()) {
                toCheck << u"第 %1 课（%2 句）"_s.arg(outcome.lesson).arg(outcome.unsure.size());
            }
            break;
        case Outcome::Status::Refused:
            refused << u"第 %1 课：%2"_s.arg(outcome.lesson).arg(outcome.reason);
            break;
        case Outcome::Status::Cancelled:
            cancelled << u"第 %1 课"_s.arg(outcome.lesson);
            break;
        }
    }
    QStringList lines;
    lines << (stored > 0 ? u"已导入 %1 课。"_s.arg(stored) : u"没有导入任何一课。"_s);
    if (!toCheck.isEmpty()) {
        lines << u"其中 %1 课有没有把握的句子，请打开「导入课文…」试听核对：%2。"_s
                     .arg(toCheck.size())
                     .arg(toCheck.join(u'、'));
    }
    if (!refused.isEmpty()) {
        lines << u"%1 课没有导入，原有的课文不变："_s.arg(refused.size()) << refused;
    }
    if (!cancelled.isEmpty()) {
        lines << u"已取消，%1 课没有导入，原有的课文不变：%2。"_s.arg(cancelled.size())
                     .arg(cancelled.join(u'、'));
    }
    return lines.join(u'\n');
}

} // namespace FolderImport
