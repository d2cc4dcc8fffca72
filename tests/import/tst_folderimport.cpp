#include "align/timedtext.h"
#include "import/folderimportdialog.h"
#include "lessonimport/folderimport.h"
#include "lessons/learnerstore.h"
#include "lessons/lessoncatalog.h"
#include "lessons/lessondatabase.h"
#include "testmain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using Status = FolderImport::Outcome::Status;
using State = FolderReviewModel::State;

// Outcomes written as "7:stored", "7:unsure 2 5", "7:timed" (stored from a timed text),
// "1:refused why", "9:cancelled".
QList<FolderImport::Outcome> outcomesFrom(const QStringList& written)
{
    QList<FolderImport::Outcome> outcomes;
    for (const QString& line : written) {
        const QStringList words = line.section(u':', 1).split(u' ');
        FolderImport::Outcome outcome{line.section(u':', 0, 0).toInt(), Status::Stored, {}, {}};
        if (words[0] == u"unsure") {
            for (const QString& n : words.mid(1)) {
                outcome.unsure << n.toInt();
            }
        } else if (words[0] == u"refused") {
            outcome.status = Status::Refused;
            outcome.reason = words.mid(1).join(u' ');
        } else if (words[0] == u"cancelled") {
            outcome.status = Status::Cancelled;
        } else if (words[0] == u"timed") {
            outcome.judged = false;
        }
        outcomes << outcome;
    }
    return outcomes;
}

// A plan written as "recording|text,text|lesson,lesson|held,held|refusal" an item; held is
// "empty", "imported" or "carried N".
FolderImport::Plan planFrom(const QStringList& written)
{
    FolderImport::Plan plan;
    plan.book = 1;
    for (const QString& line : written) {
        const QStringList parts = line.split(u'|');
        FolderImport::Item item{parts[0], parts[1].split(u','), {}, {}, parts[4]};
        for (const QString& lesson : parts[2].split(u',')) {
            item.lessons << lesson.toInt();
        }
        for (const QString& held : parts[3].split(u',')) {
            using Holding = LessonImport::Holding;
            item.held.append({held == u"empty"      ? Holding::Empty
                              : held == u"imported" ? Holding::Imported
                                                    : Holding::Carried,
                              held.section(u' ', 1).toInt()});
        }
        plan.items << item;
    }
    return plan;
}

// Every cell of the table as the learner reads it, a row a line, with its mark: "黄" a row to
// check, "红" a status that says the lesson was not or will not be imported.
QStringList tableOf(const FolderReviewModel& model)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < FolderReviewModel::ColumnCount; ++column) {
            cells << model.data(model.index(row, column)).toString();
        }
        const bool yellow = model.data(model.index(row, 0), Qt::BackgroundRole).isValid();
        const bool red =
            model.data(model.index(row, FolderReviewModel::StatusColumn), Qt::ForegroundRole)
                .isValid();
        cells << (yellow ? u"黄"_s : red ? u"红"_s : QString());
        rows << cells.join(u'|');
    }
    return rows;
}

} // namespace

class TestFolderImport : public QObject
{
    Q_OBJECT

    QString m_recording; // book 1, lesson 1 of the sample course
    QString m_lrc;       // its carried sentences as a bilingual LRC
    QString m_text;      // its English as running text
    QTemporaryDir m_work;

    const QString carried = QStringLiteral(ORLUNE_BUILD_DATABASE);

    // A folder of `files` ("name=rec", "=lrc", "=txt" or "=empty"), fresh each time.
    QString folderOf(const QStringList& files, const QString& name)
    {
        QDir folder(m_work.filePath(name));
        folder.removeRecursively();
        folder.mkpath(u"."_s);
        for (const QString& file : files) {
            const QString target = folder.filePath(file.section(u'=', 0, 0));
            const QString kind = file.section(u'=', 1);
            const QString source = kind == u"rec"   ? m_recording
                                   : kind == u"lrc" ? m_lrc
                                   : kind == u"txt" ? m_text
                                                    : QString();
            if (source.isEmpty()) {
                QFile(target).open(QIODevice::WriteOnly);
            } else {
                QFile::copy(source, target);
            }
        }
        return folder.path();
    }

private slots:
    void initTestCase()
    {
        m_recording = QDir(QCoreApplication::applicationDirPath()).filePath(u"语音库/QVN101.dat"_s);
        QVERIFY(QFile::exists(m_recording));
        QList<TimedText::Line> lines;
        QStringList english;
        for (const SentenceRow& row : LessonDatabase(carried).sentences(u"1"_s, u"Lesson 1"_s)) {
            lines.append({row.sentence, row.translation, row.start.toDouble(),
                          row.end.isEmpty() ? -1 : row.end.toDouble()});
            english << row.sentence;
        }
        QVERIFY(!lines.isEmpty());
        m_lrc = m_work.filePath(u"lesson.lrc"_s);
        m_text = m_work.filePath(u"lesson.txt"_s);
        for (const auto& [path, text] : {std::pair{m_lrc, TimedText::toLrc(lines, u"L1"_s)},
                                         std::pair{m_text, english.join(u' ')}}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) > 0);
        }
    }

    // What the review table and the summary say of each outcome.
    void showsOutcomes_data()
    {
        QTest::addColumn<QStringList>("outcomes");
        QTest::addColumn<QStringList>("statuses"); // the status column, row by row
        QTest::addColumn<QStringList>("summarySays");
        QTest::addColumn<QStringList>("summaryOmits");
        QTest::newRow("all stored")
            << QStringList{u"5:stored"_s, u"6:stored"_s} << QStringList{u"已导入"_s, u"已导入"_s}
            << QStringList{u"已导入 2 课。"_s} << QStringList{u"核对"_s, u"没有导入"_s, u"取消"_s};
        QTest::newRow("some to check")
            << QStringList{u"5:unsure 2 7"_s, u"6:stored"_s}
            << QStringList{u"已导入，需核对"_s, u"已导入"_s}
            << QStringList{u"已导入 2 课。"_s, u"其中 1 课"_s, u"第 5 课（2 句）"_s}
            << QStringList{u"第 6 课（"_s};
        QTest::newRow("refused with the reason")
            << QStringList{u"5:refused 无法读取录音文件"_s, u"6:stored"_s}
            << QStringList{u"未导入：无法读取录音文件"_s, u"已导入"_s}
            << QStringList{u"已导入 1 课。"_s, u"1 课没有导入"_s, u"第 5 课：无法读取录音文件"_s}
            << QStringList{u"取消"_s};
        QTest::newRow("cancelled midway")
            << QStringList{u"5:stored"_s, u"6:cancelled"_s}
            << QStringList{u"已导入"_s, u"已取消，未导入"_s}
            << QStringList{u"已导入 1 课。"_s, u"已取消，1 课没有导入"_s, u"第 6 课"_s}
            << QStringList{u"核对"_s};
        QTest::newRow("nothing stored")
            << QStringList{u"5:refused 坏了"_s, u"6:refused 坏了"_s}
            << QStringList{u"未导入：坏了"_s, u"未导入：坏了"_s}
            << QStringList{u"没有导入任何一课。"_s, u"2 课没有导入"_s} << QStringList{u"已导入"_s};
    }

    void showsOutcomes()
    {
        QFETCH(QStringList, outcomes);
        QFETCH(QStringList, statuses);
        QFETCH(QStringList, summarySays);
        QFETCH(QStringList, summaryOmits);
        FolderImport::Plan plan;
        plan.book = 1;
        plan.items = {{u"05-06.mp3"_s, {u"5.txt"_s, u"6.txt"_s}, {5, 6}, {{}, {}}, {}}};
        FolderReviewModel model;
        model.setPlan(plan);
        model.setOutcomes(0, outcomesFrom(outcomes));
        for (int row = 0; row < statuses.size(); ++row) {
            QCOMPARE(model.data(model.index(row, FolderReviewModel::StatusColumn)).toString(),
                     statuses[row]);
            const bool unsure = statuses[row].contains(u"核对"_s);
            QCOMPARE(model.data(model.index(row, 0), Qt::BackgroundRole).isValid(), unsure);
            if (statuses[row].startsWith(u"已导入"_s)) {
                // Every row that checks two sentences has them at 2 and 7.
                QCOMPARE(model.data(model.index(row, FolderReviewModel::UnsureColumn)).toInt(),
                         unsure ? 2 : 0);
            }
        }
        const QString summary = FolderImport::summary(model.outcomes());
        for (const QString& said : summarySays) {
            QVERIFY2(summary.contains(said), qPrintable(summary));
        }
        for (const QString& omitted : summaryOmits) {
            QVERIFY2(!summary.contains(omitted), qPrintable(summary));
        }
    }

    // The review table through a run, as the dialog drives it: "run ITEM" (the item's lessons
    // are being imported), "out ITEM outcome;outcome" (see outcomesFrom) and "cancel".
    void reviewTableFollowsTheRun_data()
    {
        QTest::addColumn<QStringList>("plan");
        QTest::addColumn<QStringList>("events");
        // "files|lesson|held|status|unsure|mark" a row, after the events.
        QTest::addColumn<QStringList>("table");
        QTest::addColumn<QStringList>("held");    // what an import would replace, after the events
        QTest::addColumn<QList<int>>("finished"); // the lessons with an outcome, in order
        const QStringList book{u"01-02.mp3|1.txt,2.txt|1,2|carried 14,empty|"_s,
                               u"Lesson 003.mp3|Lesson 003.lrc|3|imported|"_s};
        QTest::newRow("waiting")
            << book << QStringList{}
            << QStringList{u"01-02.mp3 + 1.txt|第1册第 1 课|随附的课文（14 句）|等待导入||"_s,
                           u"01-02.mp3 + 2.txt|第1册第 2 课|空|等待导入||"_s,
                           u"Lesson 003.mp3 + Lesson 003.lrc|第1册第 3 课|先前导入的课文|等待导入||"_s}
            << QStringList{u"第 1 课：随附的课文（14 句）"_s, u"第 3 课：先前导入的课文"_s}
            << QList<int>{};
        QTest::newRow("refused before the run, though it holds something")
            << QStringList{u"9.mp3|9.txt|9|carried 20|本课已有课文，按你的选择没有替换"_s,
                           u"10.mp3|10.txt|10|empty|"_s}
            << QStringList{}
            << QStringList{u"9.mp3 + 9.txt|第1册第 9 课|随附的课文（20 句）|"
                           u"不导入：本课已有课文，按你的选择没有替换||红"_s,
                           u"10.mp3 + 10.txt|第1册第 10 课|空|等待导入||"_s}
            << QStringList{} << QList<int>{};
        QTest::newRow("both lessons of one recording run together")
            << book << QStringList{u"run 0"_s}
            << QStringList{u"01-02.mp3 + 1.txt|第1册第 1 课|随附的课文（14 句）|正在导入…||"_s,
                           u"01-02.mp3 + 2.txt|第1册第 2 课|空|正在导入…||"_s,
                           u"Lesson 003.mp3 + Lesson 003.lrc|第1册第 3 课|先前导入的课文|等待导入||"_s}
            << QStringList{u"第 1 课：随附的课文（14 句）"_s, u"第 3 课：先前导入的课文"_s}
            << QList<int>{};
        QTest::newRow("stored lessons hold the import from then on")
            << book << QStringList{u"run 0"_s, u"out 0 1:stored;2:unsure 3 5"_s}
            << QStringList{u"01-02.mp3 + 1.txt|第1册第 1 课|先前导入的课文|已导入|0|"_s,
                           u"01-02.mp3 + 2.txt|第1册第 2 课|先前导入的课文|已导入，需核对|2|黄"_s,
                           u"Lesson 003.mp3 + Lesson 003.lrc|第1册第 3 课|先前导入的课文|等待导入||"_s}
            << QStringList{u"第 1 课：先前导入的课文"_s, u"第 2 课：先前导入的课文"_s,
                           u"第 3 课：先前导入的课文"_s}
            << QList<int>{1, 2};
        QTest::newRow("times from a timed text are not counted")
            << book << QStringList{u"out 1 3:timed"_s}
            << QStringList{u"01-02.mp3 + 1.txt|第1册第 1 课|随附的课文（14 句）|等待导入||"_s,
                           u"01-02.mp3 + 2.txt|第1册第 2 课|空|等待导入||"_s,
                           u"Lesson 003.mp3 + Lesson 003.lrc|第1册第 3 课|先前导入的课文|已导入|—|"_s}
            << QStringList{u"第 1 课：随附的课文（14 句）"_s, u"第 3 课：先前导入的课文"_s}
            << QList<int>{3};
        QTest::newRow("refused at storing keeps what it held")
            << book << QStringList{u"run 0"_s, u"out 0 1:refused 本课已有先前导入的课文;2:stored"_s}
            << QStringList{u"01-02.mp3 + 1.txt|第1册第 1 课|随附的课文（14 句）|"
                           u"未导入：本课已有先前导入的课文||红"_s,
                           u"01-02.mp3 + 2.txt|第1册第 2 课|先前导入的课文|已导入|0|"_s,
                           u"Lesson 003.mp3 + Lesson 003.lrc|第1册第 3 课|先前导入的课文|等待导入||"_s}
            << QStringList{u"第 1 课：随附的课文（14 句）"_s, u"第 2 课：先前导入的课文"_s,
                           u"第 3 课：先前导入的课文"_s}
            << QList<int>{1, 2};
        QTest::newRow("cancelled midway: the rest keeps what it held")
            << QStringList{u"01-02.mp3|1.txt,2.txt|1,2|empty,empty|"_s,
                           u"3.mp3|3.txt|3|carried 9|"_s, u"4.mp3|4.txt|4|empty|"_s}
            << QStringList{u"run 0"_s, u"out 0 1:stored;2:stored"_s, u"run 1"_s, u"cancel"_s}
            << QStringList{u"01-02.mp3 + 1.txt|第1册第 1 课|先前导入的课文|已导入|0|"_s,
                           u"01-02.mp3 + 2.txt|第1册第 2 课|先前导入的课文|已导入|0|"_s,
                           u"3.mp3 + 3.txt|第1册第 3 课|随附的课文（9 句）|已取消，未导入||"_s,
                           u"4.mp3 + 4.txt|第1册第 4 课|空|已取消，未导入||"_s}
            << QStringList{u"第 1 课：先前导入的课文"_s, u"第 2 课：先前导入的课文"_s,
                           u"第 3 课：随附的课文（9 句）"_s}
            << QList<int>{1, 2, 3, 4};
        QTest::newRow("an outcome for a lesson the item has not changes nothing")
            << book << QStringList{u"out 1 1:stored"_s}
            << QStringList{u"01-02.mp3 + 1.txt|第1册第 1 课|随附的课文（14 句）|等待导入||"_s,
                           u"01-02.mp3 + 2.txt|第1册第 2 课|空|等待导入||"_s,
                           u"Lesson 003.mp3 + Lesson 003.lrc|第1册第 3 课|先前导入的课文|等待导入||"_s}
            << QStringList{u"第 1 课：随附的课文（14 句）"_s, u"第 3 课：先前导入的课文"_s}
            << QList<int>{};
    }

    void reviewTableFollowsTheRun()
    {
        QFETCH(QStringList, plan);
        QFETCH(QStringList, events);
        QFETCH(QStringList, table);
        QFETCH(QStringList, held);
        QFETCH(QList<int>, finished);
        FolderReviewModel model;
        model.setPlan(planFrom(plan));
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        for (const QString& event : events) {
            const QStringList before = tableOf(model);
            changed.clear();
            const QStringList words = event.split(u' ');
            if (words[0] == u"run") {
                model.setRunning(words[1].toInt());
            } else if (words[0] == u"out") {
                model.setOutcomes(words[1].toInt(),
                                  outcomesFrom(words.mid(2).join(u' ').split(u';')));
            } else {
                model.cancelWaiting();
            }
            // A view redraws only what it is told of: every row that reads differently now.
            const QStringList after = tableOf(model);
            for (int row = 0; row < after.size(); ++row) {
                const bool told =
                    std::any_of(changed.cbegin(), changed.cend(), [&](const auto& args) {
                        const auto from = args[0].template value<QModelIndex>();
                        const auto to = args[1].template value<QModelIndex>();
                        return from.row() <= row && row <= to.row() && from.column() == 0 &&
                               to.column() == FolderReviewModel::ColumnCount - 1;
                    });
                QVERIFY2(after[row] == before[row] || told,
                         qPrintable(event + u": "_s + after[row]));
            }
        }
        QCOMPARE(tableOf(model), table);
        QCOMPARE(model.heldLessons(), held);
        QList<int> lessons;
        for (const FolderImport::Outcome& outcome : model.outcomes()) {
            lessons << outcome.lesson;
        }
        QCOMPARE(lessons, finished);
        int row = 0;
        for (const FolderImport::Item& item : model.plan().items) {
            for (int lesson : item.lessons) {
                QCOMPARE(model.rowOf(lesson), row++);
            }
        }
        QCOMPARE(model.rowOf(99), -1);
    }

    // A folder through the dialog: its review, the question before replacing, the outcome.
    void importsTheFolderAsAnswered_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("book");
        QTest::addColumn<int>("answer"); // FolderImportDialog::ReplaceAnswer; -1: never asked
        // "lesson|held|status|unsure" a row, after the run; a timed text's times are not judged:
        // "—"
        QTest::addColumn<QStringList>("review");
        QTest::addColumn<QList<int>>("stored");
        QTest::addColumn<QString>("says");
        const QStringList mixed{u"Lesson 001.mp3=rec"_s, u"Lesson 001.lrc=lrc"_s, u"L5 x.mp3=rec"_s,
                                u"L5.lrc=lrc"_s, u"9.mp3=rec"_s};
        const int replace = int(FolderImportDialog::ReplaceAnswer::Replace);
        const int skip = int(FolderImportDialog::ReplaceAnswer::Skip);
        const int cancel = int(FolderImportDialog::ReplaceAnswer::Cancel);
        QTest::newRow("carried lesson replaced")
            << mixed << 1 << replace
            << QStringList{u"第1册第 1 课|先前导入的课文|已导入|—"_s,
                           u"第1册第 5 课|先前导入的课文|已导入|—"_s}
            << QList<int>{1, 5} << u"已导入 2 课"_s;
        QTest::newRow("carried lesson kept")
            << mixed << 1 << skip
            << QStringList{u"第1册第 1 课|随附的课文（14 句）|未导入：本课已有课文，按你的选择没有替换|"_s,
                           u"第1册第 5 课|先前导入的课文|已导入|—"_s}
            << QList<int>{5} << u"1 课没有导入"_s;
        QTest::newRow("cancelled at the question")
            << mixed << 1 << cancel
            << QStringList{u"第1册第 1 课|随附的课文（14 句）|等待导入|"_s,
                           u"第1册第 5 课|空|等待导入|"_s}
            << QList<int>{} << u"请核对上表"_s;
        QTest::newRow("a lesson the book has not")
            << QStringList{u"60.mp3=rec"_s, u"60.lrc=lrc"_s, u"5.mp3=rec"_s, u"5.lrc=lrc"_s} << 4
            << -1
            << QStringList{u"第4册第 5 课|先前导入的课文|已导入|—"_s,
                           u"第4册第 60 课|空|未导入：第 4 册没有第 60 课|"_s}
            << QList<int>{5} << u"第 60 课：第 4 册没有第 60 课"_s;
        QTest::newRow("no pairs") << QStringList{u"readme.txt=empty"_s, u"cover.jpg=empty"_s} << 1
                                  << -1 << QStringList{} << QList<int>{} << u"没有按课号配对"_s;
        QTest::newRow("duplicate lesson numbers")
            << QStringList{u"7.mp3=rec"_s, u"Lesson 7.mp3=rec"_s, u"7.lrc=lrc"_s} << 1 << -1
            << QStringList{} << QList<int>{} << u"没有按课号配对"_s;
    }

    void importsTheFolderAsAnswered()
    {
        QFETCH(QStringList, files);
        QFETCH(int, book);
        QFETCH(int, answer);
        QFETCH(QStringList, review);
        QFETCH(QList<int>, stored);
        QFETCH(QString, says);
        const QString store =
            m_work.filePath(u"store-"_s + QString::fromLatin1(QTest::currentDataTag()));
        FolderImportDialog dialog({store, carried}, book);
        QStringList asked;
        dialog.prompts().replace = [&](const QString& question) {
            asked << question;
            return FolderImportDialog::ReplaceAnswer(answer);
        };
        dialog.setFolder(folderOf(files, u"folder"_s));
        auto* start = dialog.findChild<QPushButton*>(u"startButton"_s);
        QCOMPARE(start->isEnabled(), !review.isEmpty());
        QTest::mouseClick(start, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isRunning(), 60000);
        QCOMPARE(asked.size(), answer < 0 ? 0 : 1);
        if (answer >= 0) {
            QVERIFY2(asked[0].contains(u"第 1 课：随附的课文（14 句）"_s), qPrintable(asked[0]));
        }
        const FolderReviewModel& model = dialog.review();
        QStringList shown;
        for (int row = 0; row < model.rowCount(); ++row) {
            QStringList cells;
            for (int column : {FolderReviewModel::LessonColumn, FolderReviewModel::HeldColumn,
                               FolderReviewModel::StatusColumn, FolderReviewModel::UnsureColumn}) {
                cells << model.data(model.index(row, column)).toString();
            }
            shown << cells.join(u'|');
        }
        QCOMPARE(shown, review);
        QList<int> inStore;
        for (int lesson = 1; lesson <= LessonCatalog::lessonCounts[book - 1]; ++lesson) {
            if (LearnerStore(store).hasLesson(QString::number(book),
                                              LessonCatalog::lessonText(lesson))) {
                inStore << lesson;
            }
        }
        QCOMPARE(inStore, stored);
        const QString status = dialog.findChild<QLabel*>(u"statusLine"_s)->text();
        QVERIFY2(status.contains(says), qPrintable(status));
    }

    // Cancelling stops the alignment under way: the lesson being aligned and those after it
    // are not stored, and keep what they held.
    void cancelStopsTheAlignmentUnderWay()
    {
        const QString store = m_work.filePath(u"store-cancel"_s);
        FolderImportDialog dialog({store, carried}, 1);
        dialog.setFolder(folderOf({u"20.mp3=rec"_s, u"20.txt=txt"_s, u"21.mp3=rec"_s,
                                   u"21.txt=txt"_s, u"22.mp3=rec"_s, u"22.txt=txt"_s},
                                  u"cancel"_s));
        auto* progress = dialog.findChild<QProgressBar*>(u"progressBar"_s);
        dialog.startImport();
        QVERIFY(dialog.isRunning());
        // Past the decoding of the first recording, into its alignment.
        QTRY_VERIFY_WITH_TIMEOUT(progress->value() > 40, 60000);
        QCOMPARE(dialog.review().state(0), State::Running);
        QTest::mouseClick(dialog.findChild<QPushButton*>(u"cancelButton"_s), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isRunning(), 10000);
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(dialog.review().state(row), State::Cancelled);
        }
        QVERIFY(LearnerStore(store).lessons().isEmpty());
        QVERIFY2(dialog.summary().contains(u"已取消，3 课没有导入"_s),
                 qPrintable(dialog.summary()));
    }

    // Another copy of the program stores a lesson after the folder was planned: this one does
    // not replace it behind the learner's back.
    void leavesWhatAnotherCopyStoredMeanwhile()
    {
        const QString store = m_work.filePath(u"store-race"_s);
        const FolderImport::Sources sources{store, carried};
        const FolderImport::Plan plan =
            FolderImport::plan(sources, 1, folderOf({u"5.mp3=rec"_s, u"5.lrc=lrc"_s}, u"race"_s));
        QCOMPARE(plan.items.size(), 1);
        QVERIFY(!plan.items[0].holdsAnything());
        LearnerStore other(store);
        QString error;
        QVERIFY(other.importLesson(
            {u"1"_s, u"Lesson 5"_s, {{u"Mine."_s, {}, u"0"_s, {}}}, {}, m_recording}, &error));
        const QList<FolderImport::Outcome> outcomes =
            FolderImport::importItem(sources, plan, plan.items[0], false);
        QCOMPARE(outcomes.size(), 1);
        QCOMPARE(outcomes[0].status, Status::Refused);
        QVERIFY2(outcomes[0].reason.contains(u"先前导入的课文"_s), qPrintable(outcomes[0].reason));
        QCOMPARE(LessonDatabase(other.databasePath()).sentences(u"1"_s, u"Lesson 5"_s).size(), 1);
    }
};

ORLUNE_TEST_MAIN(TestFolderImport)
#include "tst_folderimport.moc"
