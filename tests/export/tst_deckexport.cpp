#include "align/timedtext.h"
#include "audio/decodedaudio.h"
#include "export/deckexport.h"
#include "export/exportrun.h"
#include "export/sentenceclip.h"
#include "export/subtitleexport.h"
#include "testsignals.h"

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sndfile.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int rate = 22050;
constexpr double recordingSeconds = 2.0;

enum class Recording { Good, Missing, Damaged, TooShort };
enum class Form { Deck, Lrc, Srt, Text };
// What the learner does to a run under way: nothing, cancel it, or close the window (the run
// is deleted).
enum class Interrupt { None, Cancel, Delete };

QList<ExportSentence> lessonSentences(const QString& recording)
{
    const struct
    {
        double start;
        double end;
        const char16_t* english;
        const char16_t* chinese;
    } rows[] = {{0.1, 0.6, u"Excuse me!", u"对不起！"},
                {0.7004, 1.3, u"Yes?", u""},
                {1.45, -1, u"Is this your handbag?", u"这是您的手提包吗？"}};
    QList<ExportSentence> sentences;
    for (const auto& row : rows) {
        ExportSentence s;
        s.book = 1;
        s.lesson = 7;
        s.index = int(sentences.size());
        s.english = QString::fromUtf16(row.english);
        s.chinese = QString::fromUtf16(row.chinese);
        s.recording = recording;
        s.start = row.start;
        s.end = row.end;
        sentences.append(s);
    }
    return sentences;
}

DeckExport::Summary write(Form form, const QList<ExportSentence>& sentences, const QString& path,
                          const DeckExport::Progress& progress = {})
{
    switch (form) {
    case Form::Lrc:
        return SubtitleExport::writeLrc(sentences, path, progress);
    case Form::Srt:
        return SubtitleExport::writeSrt(sentences, path, progress);
    case Form::Text:
        return DeckExport::writeSentenceText(sentences, path);
    default:
        return DeckExport::writeSentenceDeck(sentences, u"Orlune::Test"_s, path, progress);
    }
}

} // namespace

class TestDeckExport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_recording = m_dir.filePath(u"lesson.wav"_s);
        const std::vector<qint16> samples =
            TestSignals::noise(qint64(recordingSeconds * rate), 2, 7);
        QVERIFY(TestSignals::writeFile(m_recording, SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, 2,
                                       samples));
        m_damaged = m_dir.filePath(u"damaged.mp3"_s);
        QFile damaged(m_damaged);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(4096, '\x5a'));
    }

    void troubleIsToldAndLeavesNoPartialFile_data();
    void troubleIsToldAndLeavesNoPartialFile();
    void subtitlesReadBackWithTheClipsTimes_data();
    void subtitlesReadBackWithTheClipsTimes();
    void aRunOffTheWindowEndsOnceAndWhole_data();
    void aRunOffTheWindowEndsOnceAndWhole();

private:
    QTemporaryDir m_dir;
    QString m_recording;
    QString m_damaged;
};

void TestDeckExport::troubleIsToldAndLeavesNoPartialFile_data()
{
    QTest::addColumn<Form>("form");
    QTest::addColumn<Recording>("recording");
    // "" the target's folder is there; "file" a file stands where the folder should be;
    // "missing" the folder does not exist.
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("cancelAt"); // -1: not cancelled
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("told");

    QTest::newRow("deck, no recording")
        << Form::Deck << Recording::Missing << u""_s << -1 << true << u"3 条没有声音"_s;
    QTest::newRow("deck, damaged recording")
        << Form::Deck << Recording::Damaged << u""_s << -1 << true << u"录音无法读取"_s;
    QTest::newRow("deck, times past the recording")
        << Form::Deck << Recording::TooShort << u""_s << -1 << true << u"不在录音之内"_s;
    QTest::newRow("deck, folder is a file")
        << Form::Deck << Recording::Good << u"file"_s << -1 << false << u"是一个文件，不是文件夹"_s;
    QTest::newRow("deck, folder missing")
        << Form::Deck << Recording::Good << u"missing"_s << -1 << false << u"文件夹不存在"_s;
    QTest::newRow("deck, cancelled")
        << Form::Deck << Recording::Good << u""_s << 1 << false << u"已取消"_s;
    QTest::newRow("lrc, folder is a file")
        << Form::Lrc << Recording::Good << u"file"_s << -1 << false << u"是一个文件，不是文件夹"_s;
    QTest::newRow("srt, cancelled")
        << Form::Srt << Recording::Good << u""_s << 2 << false << u"已取消"_s;
    QTest::newRow("srt, times past the recording")
        << Form::Srt << Recording::TooShort << u""_s << -1 << true << u"略去 2 句"_s;
}

// A recording that is missing, damaged or too short costs the notes their sound (each named,
// in Chinese), never the file; a target that cannot be written, or a cancel, leaves the folder
// as it was, an earlier file included.
void TestDeckExport::troubleIsToldAndLeavesNoPartialFile()
{
    QFETCH(Form, form);
    QFETCH(Recording, recording);
    QFETCH(QString, folder);
    QFETCH(int, cancelAt);
    QFETCH(bool, written);
    QFETCH(QString, told);

    QTemporaryDir target;
    QString path = target.filePath(u"out.apkg"_s);
    if (folder == u"file"_s) {
        QFile blocker(target.filePath(u"file"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        path = target.filePath(u"file/out.apkg"_s);
    } else if (folder == u"missing"_s) {
        path = target.filePath(u"missing/out.apkg"_s);
    } else {
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier");
    }
    const QStringList before = QDir(target.path()).entryList(QDir::Files | QDir::Hidden);

    QList<ExportSentence> sentences =
        lessonSentences(recording == Recording::Missing   ? m_dir.filePath(u"gone.mp3"_s)
                        : recording == Recording::Damaged ? m_damaged
                                                          : m_recording);
    if (recording == Recording::TooShort) {
        sentences[1].start = sentences[2].start = recordingSeconds + 1;
        sentences[1].end = recordingSeconds + 2;
    }
    int calls = 0;
    const DeckExport::Summary summary = write(form, sentences, path, [&](int done, int total) {
        [&] { QCOMPARE(total, int(sentences.size())); }();
        return done == calls++ && done != cancelAt;
    });
    QVERIFY2(summary.text().contains(told), qPrintable(summary.text()));
    QCOMPARE(summary.written, written);
    QCOMPARE(summary.cancelled, cancelAt >= 0);
    QCOMPARE(calls, cancelAt >= 0 ? cancelAt + 1 : int(sentences.size()));
    const QStringList after = QDir(target.path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(after, before);
    if (written) {
        QVERIFY(QFileInfo(path).size() > 40);
    } else if (folder.isEmpty()) {
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("earlier"));
    }
}

void TestDeckExport::subtitlesReadBackWithTheClipsTimes_data()
{
    QTest::addColumn<Form>("form");
    QTest::newRow("lrc") << Form::Lrc;
    QTest::newRow("srt") << Form::Srt;
}

// Each line holds its sentence's clip: from the clip's first frame to one past its last, the
// last sentence to the recording's end; read back, within 10 ms, with both texts.
void TestDeckExport::subtitlesReadBackWithTheClipsTimes()
{
    QFETCH(Form, form);
    const QList<ExportSentence> sentences = lessonSentences(m_recording);
    const QString path = m_dir.filePath(form == Form::Lrc ? u"out.lrc"_s : u"out.srt"_s);
    const DeckExport::Summary summary = write(form, sentences, path);
    QVERIFY2(summary.written, qPrintable(summary.text()));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const TimedText::Parsed read = TimedText::parse(QString::fromUtf8(file.readAll()));
    QCOMPARE(read.format, form == Form::Lrc ? TimedText::Format::Lrc : TimedText::Format::Srt);
    QCOMPARE(read.lines.size(), sentences.size());
    const DecodedAudio audio = DecodedAudio::fromFile(m_recording);
    for (qsizetype k = 0; k < sentences.size(); ++k) {
        const ExportSentence& s = sentences[k];
        const SentenceClip::Span span =
            SentenceClip::span(s.start, s.end, audio.sampleRate(), audio.frameCount());
        const TimedText::Line& line = read.lines[k];
        // An LRC line runs until the next one starts unless the file marks its end.
        const double end = line.end >= 0 ? line.end : read.lines.value(k + 1).start;
        QCOMPARE(line.english, s.english);
        QCOMPARE(line.chinese, s.chinese);
        QVERIFY2(std::abs(line.start - double(span.first) / rate) <= 0.010, qPrintable(s.english));
        QVERIFY2(std::abs(end - double(span.stop) / rate) <= 0.010, qPrintable(s.english));
    }
    QVERIFY(std::abs(read.lines.last().end - recordingSeconds) <= 0.010);
    if (form == Form::Lrc) {
        QCOMPARE(read.title, u"第1册 Lesson 7"_s);
    }
}

void TestDeckExport::aRunOffTheWindowEndsOnceAndWhole_data()
{
    QTest::addColumn<Form>("form");
    // "" a fresh name in a folder that is there; "earlier" a file of that name is there;
    // "folder" a folder stands in the file's place (as a full disk, nothing can be saved there);
    // "missing" the target's folder does not exist.
    QTest::addColumn<QString>("target");
    QTest::addColumn<Interrupt>("interrupt"); // at the second sentence
    QTest::addColumn<QString>("told");        // in the summary; "" when written

    QTest::newRow("deck written") << Form::Deck << u""_s << Interrupt::None << u""_s;
    QTest::newRow("deck over an earlier file")
        << Form::Deck << u"earlier"_s << Interrupt::None << u""_s;
    QTest::newRow("deck cancelled") << Form::Deck << u""_s << Interrupt::Cancel << u"已取消"_s;
    QTest::newRow("deck cancelled, earlier file kept")
        << Form::Deck << u"earlier"_s << Interrupt::Cancel << u"已取消"_s;
    QTest::newRow("deck, window closed midway")
        << Form::Deck << u"earlier"_s << Interrupt::Delete << u""_s;
    QTest::newRow("deck, a folder in the file's place")
        << Form::Deck << u"folder"_s << Interrupt::None << u"无法写入"_s;
    QTest::newRow("deck, no such folder")
        << Form::Deck << u"missing"_s << Interrupt::None << u"文件夹不存在"_s;
    QTest::newRow("lrc cancelled") << Form::Lrc << u""_s << Interrupt::Cancel << u"已取消"_s;
    QTest::newRow("lrc, a folder in the file's place")
        << Form::Lrc << u"folder"_s << Interrupt::None << u"无法写入"_s;
    QTest::newRow("srt, window closed midway") << Form::Srt << u""_s << Interrupt::Delete << u""_s;
    QTest::newRow("srt, no such folder")
        << Form::Srt << u"missing"_s << Interrupt::None << u"文件夹不存在"_s;
    QTest::newRow("text written") << Form::Text << u"earlier"_s << Interrupt::None << u""_s;
    QTest::newRow("text, a folder in the file's place")
        << Form::Text << u"folder"_s << Interrupt::None << u"无法写入"_s;
}

// An export on its own thread tells its progress, ends exactly once with a summary in Chinese,
// and leaves the target's folder holding either the whole new file or what it held before:
// never a part of a file or a temporary one, whether it failed, was cancelled or its window
// closed under it.
void TestDeckExport::aRunOffTheWindowEndsOnceAndWhole()
{
    QFETCH(Form, form);
    QFETCH(QString, target);
    QFETCH(Interrupt, interrupt);
    QFETCH(QString, told);

    QTemporaryDir folder;
    QString path = folder.filePath(u"out.file"_s);
    if (target == u"earlier"_s) {
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier") == 7);
    } else if (target == u"folder"_s) {
        QVERIFY(QDir(folder.path()).mkdir(u"out.file"_s));
    } else if (target == u"missing"_s) {
        path = folder.filePath(u"gone/out.file"_s);
    }
    const auto listing = [&] {
        return QDir(folder.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    const QStringList before = listing();

    // The export waits at its second sentence until the test has interrupted it (or for at
    // most two seconds: a deleted run waits for its thread, and the test for the deletion).
    const QList<ExportSentence> sentences = lessonSentences(m_recording);
    QSemaphore reached;
    QSemaphore resume;
    auto run = std::make_unique<ExportRun>();
    QSignalSpy progress(run.get(), &ExportRun::progressChanged);
    QList<DeckExport::Summary> summaries;
    connect(run.get(), &ExportRun::finished, this,
            [&](const DeckExport::Summary& summary) { summaries << summary; });
    const bool gated = interrupt != Interrupt::None;
    QVERIFY(run->start([&](const DeckExport::Progress& tell) {
        return write(form, sentences, path, [&](int done, int total) {
            if (gated && done == 1) {
                reached.release();
                resume.tryAcquire(1, 2000);
            }
            return tell(done, total);
        });
    }));
    QVERIFY(run->isRunning());
    // One run at a time: a second start is refused and changes nothing.
    QVERIFY(!run->start([](const DeckExport::Progress&) { return DeckExport::Summary(); }));
    if (gated) {
        QVERIFY(reached.tryAcquire(1, 10000));
        if (interrupt == Interrupt::Cancel) {
            run->cancel();
            resume.release();
        } else {
            run.reset(); // waits for the thread
        }
    }
    if (run) {
        QTRY_VERIFY_WITH_TIMEOUT(!run->isRunning(), 10000);
        QCOMPARE(summaries.size(), 1);
        const DeckExport::Summary& summary = summaries[0];
        QCOMPARE(summary.written, told.isEmpty());
        QCOMPARE(summary.cancelled, interrupt == Interrupt::Cancel);
        if (!told.isEmpty()) {
            QVERIFY2(summary.text().contains(told), qPrintable(summary.text()));
        }
        // The last progress told is never past the sentences there are.
        QVERIFY(!progress.isEmpty());
        QVERIFY(progress.last()[0].toInt() <= progress.last()[1].toInt());
        QVERIFY(progress.last()[1].toInt() == 0 || progress.last()[1].toInt() == 3);
        QTest::qWait(250); // no second finished() after the poll's next turn
        QCOMPARE(summaries.size(), 1);
    } else {
        QVERIFY(summaries.isEmpty());
    }
    const bool written = told.isEmpty() && interrupt == Interrupt::None;
    QCOMPARE(listing(), written && target.isEmpty() ? QStringList{u"out.file"_s} : before);
    if (written) {
        QVERIFY(QFileInfo(path).size() > 20);
    } else if (target == u"earlier"_s) {
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("earlier"));
    } else if (target == u"folder"_s) {
        QVERIFY(QFileInfo(path).isDir());
        QVERIFY(QDir(path).isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestDeckExport)
#include "tst_deckexport.moc"
