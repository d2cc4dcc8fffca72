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

// Outcomes written as "7:stored", "7:unsure 2 5", "1:refused why", "9:cancelled".
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
        }
        outcomes << outcome;
    }
    return outcomes;
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
            << QStringList{u"第1册第 1 课|随附的课文（14 句）|已导入|—"_s,
                           u"第1册第 5 课|空|已导入|—"_s}
            << QList<int>{1, 5} << u"已导入 2 课"_s;
        QTest::newRow("carried lesson kept")
            << mixed << 1 << skip
            << QStringList{u"第1册第 1 课|随附的课文（14 句）|未导入：本课已有课文，按你的选择没有替换|"_s,
                           u"第1册第 5 课|空|已导入|—"_s}
            << QList<int>{5} << u"1 课没有导入"_s;
        QTest::newRow("cancelled at the question")
            << mixed << 1 << cancel
            << QStringList{u"第1册第 1 课|随附的课文（14 句）|等待导入|"_s,
                           u"第1册第 5 课|空|等待导入|"_s}
            << QList<int>{} << u"请核对上表"_s;
        QTest::newRow("a lesson the book has not")
            << QStringList{u"60.mp3=rec"_s, u"60.lrc=lrc"_s, u"5.mp3=rec"_s, u"5.lrc=lrc"_s} << 4
            << -1
            << QStringList{u"第4册第 5 课|空|已导入|—"_s,
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
