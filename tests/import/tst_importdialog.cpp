#include "audio/mediaplayer.h"
#include "import/importdialog.h"
#include "lessons/learnerstore.h"
#include "lessons/lessondatabase.h"
#include "lessons/timetext.h"
#include "testaudio.h"
#include "testmain.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <sndfile.h>

using namespace Qt::StringLiterals;

namespace {

const QStringList spokenSentences{
    QStringLiteral("Good morning, Mr. Black."), QStringLiteral("Where is your umbrella?"),
    QStringLiteral("It is in the car, and the car is in the garage.")};

// Speaks the sentences with flite, each a separate file joined with pauses between them, so
// the aligner has real speech and real pauses to find.
// `spans`, when given, gets where each sentence's speech lies, in seconds.
QString speak(const QString& folder, const QStringList& sentences,
              QList<SentenceAligner::Span>* spans = nullptr)
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
        if (spans) {
            // flite pads its speech with silence: the speech is where the sound rises over
            // about -40 dBFS.
            const auto loud = [](short v) { return std::abs(int(v)) > 320; };
            const auto first = std::find_if(samples.begin(), samples.end(), loud);
            const auto last = std::find_if(samples.rbegin(), samples.rend(), loud).base();
            spans->append({double(joined.size() + std::size_t(first - samples.begin())) / rate,
                           double(joined.size() + std::size_t(last - samples.begin())) / rate});
        }
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
        m_recording = speak(m_folder.path(), spokenSentences, &m_spoken);
        QVERIFY(!m_recording.isEmpty());
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

        // Typed, not pasted: split when alignment is asked for, and still nothing started. The
        // count of the cleared sentences goes with them.
        box->clear();
        QVERIFY2(rig.status().startsWith(QStringLiteral("选择录音和英文课文")),
                 qPrintable(rig.status()));
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
        // A run that ended without a result does not read as one about to start.
        QVERIFY2(rig.find<QProgressBar>("progressBar")->text().isEmpty(),
                 qPrintable(rig.find<QProgressBar>("progressBar")->text()));
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

    void timedTextIsPlacedAtItsTimes_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("keepTimes");
        QTest::newRow("bilingual LRC, boundaries moved into the pauses") << u"lrc"_s << false;
        QTest::newRow("SRT with Chinese in the cues, times kept") << u"srt"_s << true;
    }

    // An LRC or SRT text is placed at its own times, without aligning, its Chinese lines are
    // the translations, and a carried lesson is replaced only once the learner says so.
    void timedTextIsPlacedAtItsTimes()
    {
        QFETCH(QString, format);
        QFETCH(bool, keepTimes);
        const QStringList chinese = {u"早上好，布莱克先生。"_s, u"你的伞在哪里？"_s,
                                     u"在车里，车在车库里。"_s};
        // The times a learner's file gives: a little before each sentence, as they usually are.
        QList<SentenceAligner::Span> given;
        QString text = format == u"lrc"_s ? u"[ti:Lesson 5]\n"_s : QString();
        for (int k = 0; k < m_spoken.size(); ++k) {
            const double start = m_spoken[k].start - 0.15;
            const double end = m_spoken[k].end + 0.2;
            given.append({start, end});
            const auto clock = [&](double seconds, QChar comma) {
                return u"00:%1:%2%3%4"_s.arg(int(seconds) / 60, 2, 10, QChar(u'0'))
                    .arg(int(seconds) % 60, 2, 10, QChar(u'0'))
                    .arg(comma)
                    .arg(qRound((seconds - int(seconds)) * 1000), 3, 10, QChar(u'0'));
            };
            if (format == u"lrc"_s) {
                const QString time = u"[00:%1]"_s.arg(start, 5, 'f', 2, QChar(u'0'));
                text += time + spokenSentences[k] + u'\n' + time + chinese[k] + u'\n';
                given.last().end = -1;
            } else {
                text += u"%1\n%2 --> %3\n%4\n%5\n\n"_s.arg(k + 1).arg(
                    clock(start, u','), clock(end, u','), spokenSentences[k], chinese[k]);
            }
        }
        DialogRig rig;
        // A carried course that holds this very lesson.
        LearnerStore carried(rig.folder.path() + u"/carried"_s);
        QString error;
        QVERIFY(carried.importLesson(
            {u"2"_s, u"Lesson 5"_s, {{u"Hello."_s, {}, u"0"_s, {}}}, {}, m_recording}, &error));
        rig.dialog.setCarriedDatabase(carried.databasePath());
        QVERIFY(rig.find<QLabel>("storedLabel")->text().contains(u"随附"_s));
        rig.dialog.setRecordingFile(m_recording);
        rig.dialog.loadTextFile(
            writeFile(rig.folder.path() + u"/lesson."_s + format, text.toUtf8()));
        QCOMPARE(rig.find<QPlainTextEdit>("textBox")->toPlainText(), spokenSentences.join(u'\n'));
        QCheckBox* keep = rig.find<QCheckBox>("keepTimesBox");
        QVERIFY(keep->isVisibleTo(&rig.dialog));
        keep->setChecked(keepTimes);
        QElapsedTimer clock;
        clock.start();
        rig.click("alignButton");
        QTRY_COMPARE_WITH_TIMEOUT(rig.dialog.sentences().rowCount(), 3, 20000);
        const AlignedSentenceModel& model = rig.dialog.sentences();
        for (int k = 0; k < 3; ++k) {
            const QByteArray where =
                QByteArray::number(k) + ": " + QByteArray::number(model.startSeconds(k)) + "-" +
                QByteArray::number(model.endSeconds(k)) + " spoken " +
                QByteArray::number(m_spoken[k].start) + "-" + QByteArray::number(m_spoken[k].end);
            if (keepTimes) {
                // As written to the millisecond.
                QVERIFY2(std::abs(model.startSeconds(k) - given[k].start) < 0.001 &&
                             std::abs(model.endSeconds(k) - given[k].end) < 0.001,
                         where.constData());
            } else {
                // Each clip holds all of its own speech, and starts and ends close to it.
                QVERIFY2(model.startSeconds(k) <= m_spoken[k].start + 0.01 &&
                             model.startSeconds(k) >= m_spoken[k].start - 0.12,
                         where.constData());
                QVERIFY2(k == 2 || (model.endSeconds(k) >= m_spoken[k].end - 0.01 &&
                                    model.endSeconds(k) <= m_spoken[k].end + 0.35),
                         where.constData());
            }
            QCOMPARE(model.data(model.index(k, AlignedSentenceModel::TranslationColumn)).toString(),
                     chinese[k]);
        }

        // Saving over the carried lesson asks first, naming it and the way back.
        QStringList asked;
        bool answer = false;
        rig.dialog.prompts().confirm = [&](const QString& question) {
            asked << question;
            return answer;
        };
        rig.click("saveButton");
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].contains(u"随附的课文"_s) && asked[0].contains(u"删除导入"_s),
                 qPrintable(asked[0]));
        QVERIFY(!rig.store.hasLesson(u"2"_s, u"Lesson 5"_s));
        answer = true;
        rig.click("saveButton");
        QVERIFY(rig.store.hasLesson(u"2"_s, u"Lesson 5"_s));
        const QList<SentenceRow> saved =
            LessonDatabase(rig.store.databasePath()).sentences(u"2"_s, u"Lesson 5"_s);
        QCOMPARE(saved.size(), 3);

        // Opened again on the import, the dialog shows it ready to mend: a translation retyped
        // and saved without aligning again.
        ImportDialog again(&rig.player, &rig.store, 2, 5);
        again.prompts().confirm = [](const QString&) { return true; };
        again.show();
        const AlignedSentenceModel& shown = again.sentences();
        QCOMPARE(shown.rowCount(), 3);
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(TimeText::fromSeconds(shown.startSeconds(k)), saved[k].start);
            QCOMPARE(shown.data(shown.index(k, AlignedSentenceModel::TranslationColumn)).toString(),
                     chinese[k]);
        }
        auto* table = again.findChild<QTableView*>("sentenceTable");
        table->setCurrentIndex(shown.index(1, AlignedSentenceModel::TranslationColumn));
        QTest::keyClick(table, Qt::Key_F2);
        auto* editor = table->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->selectAll();
        editor->insert(u"伞在哪儿？"_s); // as an input method delivers it
        QTest::keyClick(editor, Qt::Key_Return);
        // The view commits what was typed once the event loop runs.
        QTRY_COMPARE(shown.data(shown.index(1, AlignedSentenceModel::TranslationColumn)).toString(),
                     u"伞在哪儿？"_s);
        QTest::mouseClick(again.findChild<QPushButton*>("saveButton"), Qt::LeftButton);
        const QList<SentenceRow> mended =
            LessonDatabase(rig.store.databasePath()).sentences(u"2"_s, u"Lesson 5"_s);
        QCOMPARE(mended.size(), 3);
        QCOMPARE(mended[1].translation, u"伞在哪儿？"_s);
        QCOMPARE(mended[1].start, saved[1].start);
        QCOMPARE(mended[0].sentence, saved[0].sentence);

        // Another lesson chosen, nothing of the import is left, its words on mending neither.
        auto* lessonBox = again.findChild<QSpinBox*>("lessonBox");
        auto* status = again.findChild<QLabel*>("statusLine");
        lessonBox->setValue(6);
        lessonBox->setValue(5);
        QCOMPARE(shown.rowCount(), 3);
        QVERIFY2(status->text().contains(u"已导入"_s), qPrintable(status->text()));
        lessonBox->setValue(6);
        QCOMPARE(shown.rowCount(), 0);
        QVERIFY2(!status->text().contains(u"已导入"_s), qPrintable(status->text()));
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
            QVERIFY(rig.find<QProgressBar>("progressBar")->text().isEmpty());
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
    QList<SentenceAligner::Span> m_spoken; // where each sentence's sound lies in m_recording
};

ORLUNE_TEST_MAIN(TestImportDialog)
#include "tst_importdialog.moc"
