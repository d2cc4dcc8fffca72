#include "align/timedtext.h"
#include "audio/decodedaudio.h"
#include "export/deckexport.h"
#include "export/sentenceclip.h"
#include "export/subtitleexport.h"
#include "testsignals.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sndfile.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int rate = 22050;
constexpr double recordingSeconds = 2.0;

enum class Recording { Good, Missing, Damaged, TooShort };
enum class Form { Deck, Lrc, Srt };

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
        << Form::Deck << Recording::Good << u"file"_s << -1 << false << u"无法写入"_s;
    QTest::newRow("deck, folder missing")
        << Form::Deck << Recording::Good << u"missing"_s << -1 << false << u"文件夹不存在"_s;
    QTest::newRow("deck, cancelled")
        << Form::Deck << Recording::Good << u""_s << 1 << false << u"已取消"_s;
    QTest::newRow("lrc, folder is a file")
        << Form::Lrc << Recording::Good << u"file"_s << -1 << false << u"无法写入"_s;
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

QTEST_GUILESS_MAIN(TestDeckExport)
#include "tst_deckexport.moc"
