#include "audio/mediaplayer.h"
#include "import/importdialog.h"
#include "lessons/learnerstore.h"
#include "lessons/timetext.h"
#include "testaudio.h"
#include "testmain.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <sndfile.h>

namespace {

const QStringList spokenSentences{
    QStringLiteral("Good morning, Mr. Black."), QStringLiteral("Where is your umbrella?"),
    QStringLiteral("It is in the car, and the car is in the garage.")};

// Speaks the sentences with flite, each a separate file joined with pauses between them, so
// the aligner has real speech and real pauses to find.
QString speak(const QString& folder, const QStringList& sentences)
{
    const QString target = folder + QStringLiteral("/spoken.wav");
    std::vector<short> joined(8000, 0);
    int rate = 16000;
    for (qsizetype i = 0; i < sentences.size(); ++i) {
        const QString part = folder + QStringLiteral("/part%1.wav").arg(i);
        if (QProcess::execute(QStringLiteral("flite"),
                              {QStringLiteral("-voice"), QStringLiteral("slt"),
                               QStringLiteral("-t"), sentences[i], QStringLiteral("-o"), part}) !=
            0) {
            return {};
        }
        SF_INFO info{};
        SNDFILE* in = sf_open(QFile::encodeName(part).constData(), SFM_READ, &info);
        if (!in || info.channels != 1) {
            return {};
        }
        rate = info.samplerate;
        std::vector<short> samples(std::size_t(info.frames));
        sf_readf_short(in, samples.data(), info.frames);
        sf_close(in);
        joined.insert(joined.end(), samples.begin(), samples.end());
        joined.insert(joined.end(), std::size_t(rate * 6 / 10), 0);
    }
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* out = sf_open(QFile::encodeName(target).constData(), SFM_WRITE, &info);
    sf_writef_short(out, joined.data(), sf_count_t(joined.size()));
    sf_close(out);
    return target;
}

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

struct DialogRig
{
    QTemporaryDir folder;
    LearnerStore store{folder.path() + QStringLiteral("/store")};
    MediaPlayer player;
    ImportDialog dialog{&player, &store, 2, 5};
    QStringList questions;

    DialogRig()
    {
        dialog.prompts().confirm = [this](const QString& question) {
            questions << question;
            return true;
        };
        dialog.show();
    }
    template <typename T> T* find(const char* name) { return dialog.findChild<T*>(name); }
    void click(const char* name) { QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton); }
    QString status() { return find<QLabel>("statusLine")->text(); }
    void setText(const QStringList& lines)
    {
        find<QPlainTextEdit>("textBox")->setPlainText(lines.join(u'\n'));
    }
};

} // namespace

class TestImportDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("flite")).isEmpty()) {
            QSKIP("flite is not installed");
        }
        m_recording = speak(m_folder.path(), spokenSentences);
        QVERIFY(!m_recording.isEmpty());
    }

    void nudgesStayBetweenNeighbours_data()
    {
        QTest::addColumn<QList<int>>("steps"); // +-row*10+1: end, +-row*10: start; sign: later
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("end");
        // Spans (ms): [30, 1000] [1200, 2000] [2000, 3500], recording 4000 ms.
        QTest::newRow("first start stops at 0") << QList<int>{-1, -1} << 0 << 0 << 1000;
        QTest::newRow("start later") << QList<int>{+1} << 0 << 80 << 1000;
        QTest::newRow("end later up to the next start")
            << QList<int>{+2, +2, +2, +2, +2, +2} << 0 << 30 << 1200;
        QTest::newRow("start earlier down to the previous end")
            << QList<int>{-11, -11, -11, -11, -11} << 1 << 1000 << 2000;
        QTest::newRow("start cannot cross a touching neighbour")
            << QList<int>{-21} << 2 << 2000 << 3500;
        QTest::newRow("end cannot cross a touching neighbour")
            << QList<int>{+12} << 1 << 1200 << 2000;
        QTest::newRow("a sentence keeps its shortest length")
            << QList<int>(20, -12) << 1 << 1200 << 1300;
        QTest::newRow("last end stops at the recording's end")
            << QList<int>(20, +22) << 2 << 2000 << 4000;
        QTest::newRow("there and back is exact")
            << QList<int>{+11, -11, -12, +12} << 1 << 1200 << 2000;
    }

    void nudgesStayBetweenNeighbours()
    {
        QFETCH(QList<int>, steps);
        QFETCH(int, row);
        QFETCH(int, start);
        QFETCH(int, end);
        AlignedSentenceModel model;
        model.setSentences({QStringLiteral("A."), QStringLiteral("B."), QStringLiteral("C.")}, {},
                           {{0.03, 1.0}, {1.2, 2.0}, {2.0, 3.5}}, 4.0);
        for (int step : steps) {
            const int code = std::abs(step) - 1; // row * 10 + (1 for the end)
            const int ms = step > 0 ? AlignedSentenceModel::nudgeMilliseconds
                                    : -AlignedSentenceModel::nudgeMilliseconds;
            if (code % 10 == 1) {
                model.nudgeEnd(code / 10, ms);
            } else {
                model.nudgeStart(code / 10, ms);
            }
        }
        QCOMPARE(qRound(model.startSeconds(row) * 1000), start);
        QCOMPARE(qRound(model.endSeconds(row) * 1000), end);
        for (int i = 0; i + 1 < model.rowCount(); ++i) {
            QVERIFY(model.endSeconds(i) <= model.startSeconds(i + 1));
        }
        const QList<SentenceRow> rows = model.sentenceRows();
        QCOMPARE(rows.last().end, QString());
        QCOMPARE(rows[row].start, TimeText::fromSeconds(start / 1000.0));
    }

    void unsureSentencesAreMarkedUntilMoved()
    {
        AlignedSentenceModel model;
        model.setSentences({QStringLiteral("A."), QStringLiteral("B."), QStringLiteral("C.")}, {},
                           {{0.03, 1.0}, {1.2, 2.0}, {2.0, 3.5}}, 4.0, false, {0.9, 0.2, 0.49});
        QCOMPARE(model.unsureCount(), 2);
        for (int row = 0; row < 3; ++row) {
            const bool unsure = row > 0;
            QCOMPARE(model.isUnsure(row), unsure);
            const QModelIndex cell = model.index(row, AlignedSentenceModel::SentenceColumn);
            QCOMPARE(model.data(cell, Qt::BackgroundRole).isValid(), unsure);
            QCOMPARE(model.data(cell, Qt::ToolTipRole).toString().contains(QStringLiteral("试听")),
                     unsure);
        }
        // Moving a boundary is the learner's check: that row's mark goes, the others stay.
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QVERIFY(model.nudgeEnd(2, AlignedSentenceModel::nudgeMilliseconds));
        QVERIFY(!model.isUnsure(2));
        QVERIFY(model.isUnsure(1));
        QCOMPARE(changed.first().at(0).toModelIndex().column(), 0);
        // Without a confidence every sentence is taken as sure.
        model.setSentences({QStringLiteral("A.")}, {}, {{0.1, 1.0}}, 2.0);
        QCOMPARE(model.unsureCount(), 0);
    }

    void pastedTextIsShownSplitBeforeAligning()
    {
        DialogRig rig;
        rig.dialog.setRecordingFile(m_recording);
        auto* box = rig.find<QPlainTextEdit>("textBox");
        QApplication::clipboard()->setText(
            QStringLiteral("Good morning, Mr. Black. Where is your umbrella? It is in the car."));
        box->paste();
        QTRY_COMPARE(box->toPlainText(), QStringLiteral("Good morning, Mr. Black.\nWhere is your "
                                                        "umbrella?\nIt is in the car."));
        QVERIFY(rig.status().contains(QStringLiteral("核对")));
        QVERIFY(!rig.find<QPushButton>("cancelButton")->isEnabled()); // nothing started

        // Typed, not pasted: split when alignment is asked for, and still nothing started.
        box->clear();
        QTest::keyClicks(box, QStringLiteral("Hello there. How are you?"));
        QTest::qWait(20);
        QCOMPARE(box->blockCount(), 1);
        rig.click("alignButton");
        QCOMPARE(box->toPlainText(), QStringLiteral("Hello there.\nHow are you?"));
        QVERIFY(!rig.find<QPushButton>("cancelButton")->isEnabled());

        // The learner's own joining of two lines is respected from now on.
        rig.setText({QStringLiteral("Good morning, Mr. Black. Where is your umbrella?"),
                     QStringLiteral("It is in the car.")});
        rig.click("alignButton");
        QVERIFY(rig.find<QPushButton>("cancelButton")->isEnabled());
        QCOMPARE(box->blockCount(), 2);
    }

    void badInputIsAnsweredAndNothingStored_data()
    {
        QTest::addColumn<QString>("recording");
        QTest::addColumn<QStringList>("text");
        QTest::addColumn<QByteArray>("translations");
        QTest::addColumn<QString>("said");
        QTest::newRow("no recording")
            << QString() << spokenSentences << QByteArray() << QStringLiteral("录音");
        QTest::newRow("empty text")
            << m_recording << QStringList() << QByteArray() << QStringLiteral("课文");
        QTest::newRow("translation count")
            << m_recording << spokenSentences << QByteArray("早上好。\n你的伞在哪里？\n")
            << QStringLiteral("译文有 2 行");
        QTest::newRow("corrupt mp3") << QStringLiteral("garbage.mp3") << spokenSentences
                                     << QByteArray() << QStringLiteral("录音");
        QTest::newRow("over 30 minutes") << QStringLiteral("long.wav") << spokenSentences
                                         << QByteArray() << QStringLiteral("30 分钟");
        QTest::newRow("silence") << QStringLiteral("silence.wav") << spokenSentences << QByteArray()
                                 << QString();
        QStringList tooMuch;
        for (int i = 0; i < 30; ++i) {
            tooMuch << spokenSentences;
        }
        QTest::newRow("text far too long")
            << m_recording << tooMuch << QByteArray() << QStringLiteral("课文比录音长得多");
        QTest::newRow("another lesson's text")
            << m_recording
            << QStringList{QStringLiteral("The children are playing football in the park."),
                           QStringLiteral("Our teacher gave us a difficult test today."),
                           QStringLiteral("We will visit our grandparents next summer.")}
            << QByteArray() << QStringLiteral("不是同一课");
        QTest::newRow("no letters")
            << m_recording << QStringList{QStringLiteral("123 ...")} << QByteArray() << QString();
    }

    void badInputIsAnsweredAndNothingStored()
    {
        QFETCH(QString, recording);
        QFETCH(QStringList, text);
        QFETCH(QByteArray, translations);
        QFETCH(QString, said);
        DialogRig rig;
        const QString folder = rig.folder.path();
        if (recording == QStringLiteral("garbage.mp3")) {
            recording = writeFile(folder + u'/' + recording, QByteArray(50000, 'x'));
        } else if (!recording.isEmpty() && !recording.contains(u'/')) { // made here
            // Five seconds of silence, or just over half an hour of it at the lowest rate.
            const bool tooLong = recording == QStringLiteral("long.wav");
            const int rate = tooLong ? 4000 : 16000;
            recording = folder + u'/' + recording;
            SF_INFO info{0, rate, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 0, 0};
            SNDFILE* out = sf_open(QFile::encodeName(recording).constData(), SFM_WRITE, &info);
            const std::vector<short> zeros(std::size_t(rate) * (tooLong ? 1810 : 5), 0);
            sf_writef_short(out, zeros.data(), sf_count_t(zeros.size()));
            sf_close(out);
        }
        if (!recording.isEmpty()) {
            rig.dialog.setRecordingFile(recording);
        }
        rig.setText(text);
        if (!translations.isEmpty()) {
            rig.dialog.loadTranslationFile(
                writeFile(folder + QStringLiteral("/zh.txt"), translations));
        }
        rig.click("alignButton");
        QTRY_VERIFY_WITH_TIMEOUT(rig.find<QPushButton>("alignButton")->isEnabled(), 60000);
        QVERIFY2(rig.status().contains(said), qPrintable(rig.status()));
        QVERIFY(rig.find<QLabel>("statusLine")->styleSheet().contains(QStringLiteral("color")));
        QVERIFY(rig.dialog.sentences().isEmpty());
        QVERIFY(!rig.find<QPushButton>("saveButton")->isEnabled());
        QVERIFY(!rig.store.hasLesson(QStringLiteral("2"), QStringLiteral("Lesson 5")));
    }

    void textThatIsNeitherUtf8NorGbkIsRefused()
    {
        DialogRig rig;
        // Bytes that are neither valid UTF-8 nor valid GBK.
        rig.dialog.loadTextFile(writeFile(rig.folder.path() + QStringLiteral("/bad.txt"),
                                          QByteArray("Hello \xff\xff\xff\x80 there.\n")));
        QVERIFY(rig.find<QPlainTextEdit>("textBox")->toPlainText().isEmpty());
        QVERIFY(rig.status().startsWith(QStringLiteral("英文课文：")));
    }

    void alignedLessonIsHeardNudgedAndStored()
    {
        DialogRig rig;
        QSignalSpy stored(&rig.dialog, &ImportDialog::lessonStored);
        // Stands in for the lesson the study window has open.
        const QString study = rig.folder.path() + QStringLiteral("/study.wav");
        QVERIFY(QFile::copy(m_recording, study));
        rig.player.setUrl(study);
        rig.dialog.setRecordingFile(m_recording);
        rig.setText(spokenSentences);
        rig.dialog.loadTranslationFile(
            writeFile(rig.folder.path() + QStringLiteral("/zh.txt"),
                      "早上好，布莱克先生。\n你的伞在哪里？\n在车里。\n"));
        rig.dialog.loadWordsFile(writeFile(rig.folder.path() + QStringLiteral("/words.txt"),
                                           "umbrella\tn. 伞\ngarage\tn. 车库\n"));
        rig.click("alignButton");
        QTRY_COMPARE_WITH_TIMEOUT(rig.dialog.sentences().rowCount(), 3, 60000);
        QVERIFY(!rig.find<QTableView>("sentenceTable")
                     ->isColumnHidden(AlignedSentenceModel::TranslationColumn));

        auto* table = rig.find<QTableView>("sentenceTable");
        table->selectRow(1);
        // The aligned spans follow each other in the order spoken.
        for (int i = 0; i < 3; ++i) {
            QVERIFY(rig.dialog.sentences().startSeconds(i) < rig.dialog.sentences().endSeconds(i));
            QVERIFY(i == 0 || rig.dialog.sentences().endSeconds(i - 1) <=
                                  rig.dialog.sentences().startSeconds(i));
        }
        const double aligned = rig.dialog.sentences().endSeconds(1);
        rig.click("endEarlier");
        const double end = rig.dialog.sentences().endSeconds(1);
        QCOMPARE(qRound((aligned - end) * 1000), AlignedSentenceModel::nudgeMilliseconds);
        if (TestAudio::pulseAvailable()) {
            QCOMPARE(rig.player.url(), m_recording);
            QCOMPARE(rig.player.endPosition(), end);
        }

        // A store that cannot be written is reported, and the result stays to be saved again.
        writeFile(rig.store.folder(), "in the way");
        rig.click("saveButton");
        QVERIFY2(rig.status().startsWith(QStringLiteral("保存失败")), qPrintable(rig.status()));
        QCOMPARE(stored.count(), 0);
        QVERIFY(QFile::remove(rig.store.folder()));

        rig.click("saveButton");
        QCOMPARE(stored.count(), 1);
        QCOMPARE(stored.first().at(0).toString(), QStringLiteral("2"));
        QCOMPARE(stored.first().at(1).toString(), QStringLiteral("Lesson 5"));
        const LessonDatabase db(rig.store.databasePath());
        const QList<SentenceRow> rows =
            db.sentences(QStringLiteral("2"), QStringLiteral("Lesson 5"));
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[1].translation, QStringLiteral("你的伞在哪里？"));
        QCOMPARE(rows[1].end, TimeText::fromSeconds(end));
        QCOMPARE(rows[2].end, QString());
        QCOMPARE(db.newWords(QStringLiteral("2"), QStringLiteral("Lesson 5")).size(), 2);
        QVERIFY(rig.find<QPushButton>("removeButton")->isEnabled());

        // The player was given back as it was before the dialog borrowed it.
        QCOMPARE(rig.player.url(), study);
        QCOMPARE(rig.player.endPosition(), -1.0);

        rig.click("removeButton");
        QCOMPARE(rig.questions.size(), 1);
        QVERIFY(!rig.store.hasLesson(QStringLiteral("2"), QStringLiteral("Lesson 5")));
        QVERIFY(!rig.find<QPushButton>("removeButton")->isEnabled());
    }

    void cancelAndCloseMidAlignment()
    {
        // A longer recording, so that the run is surely still going when it is stopped.
        QStringList many;
        for (int i = 0; i < 8; ++i) {
            many << spokenSentences;
        }
        QTemporaryDir longFolder;
        const QString longRecording = speak(longFolder.path(), many);
        {
            DialogRig rig;
            rig.dialog.setRecordingFile(longRecording);
            rig.setText(many);
            rig.click("alignButton");
            QTest::qWait(30);
            QVERIFY(rig.find<QPushButton>("cancelButton")->isEnabled());
            rig.click("cancelButton");
            QVERIFY(rig.find<QPushButton>("alignButton")->isEnabled());
            QVERIFY(rig.status().contains(QStringLiteral("取消")));
            QTest::qWait(3000); // a late result must not turn up
            QVERIFY(rig.dialog.sentences().isEmpty());
        }
        QElapsedTimer closing;
        for (bool destroy : {false, true}) {
            auto rig = std::make_unique<DialogRig>();
            rig->dialog.setRecordingFile(longRecording);
            rig->setText(many);
            rig->click("alignButton");
            QTest::qWait(30);
            QVERIFY(rig->find<QPushButton>("cancelButton")->isEnabled());
            closing.start();
            if (destroy) {
                rig.reset();
            } else {
                rig->dialog.reject();
                QVERIFY(!rig->find<QPushButton>("cancelButton")->isEnabled() ||
                        !rig->dialog.isVisible());
            }
            QVERIFY2(closing.elapsed() < 200, "closing waited for the aligner");
            QTest::qWait(2000);
        }
    }

private:
    QTemporaryDir m_folder;
    QString m_recording;
};

ORLUNE_TEST_MAIN(TestImportDialog)
#include "tst_importdialog.moc"
