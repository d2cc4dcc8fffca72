#include "audio/decodedaudio.h"
#include "testmain.h"
#include "testsignals.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <sndfile.h>

class TestDecodedAudio : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void stereoPcmIsBitExact();
    void monoIsDoubledAtItsOwnRate();
    void extraChannelsAreDropped();
    void loudFloatIsClipped();
    void unreadableFilesGiveNothing_data();
    void unreadableFilesGiveNothing();
    void pathWithChineseFolderOpens();
    void mp3KeepsFramesAligned_data();
    void mp3KeepsFramesAligned();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

void TestDecodedAudio::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestDecodedAudio::stereoPcmIsBitExact()
{
    const auto source = TestSignals::noise(30000, 2, 1);
    QVERIFY(
        TestSignals::writeFile(path("s.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, source));
    const DecodedAudio audio = DecodedAudio::fromFile(path("s.wav"));
    QCOMPARE(audio.sampleRate(), 44100);
    QCOMPARE(audio.frameCount(), 30000);
    QVERIFY(std::ranges::equal(audio.samples(), source));
}

void TestDecodedAudio::monoIsDoubledAtItsOwnRate()
{
    const auto source = TestSignals::noise(5000, 1, 2);
    QVERIFY(
        TestSignals::writeFile(path("m.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, source));
    const DecodedAudio audio = DecodedAudio::fromFile(path("m.wav"));
    QCOMPARE(audio.sampleRate(), 8000);
    QCOMPARE(audio.frameCount(), 5000);
    for (size_t f = 0; f < source.size(); ++f) {
        QCOMPARE(audio.samples()[2 * f], source[f]);
        QCOMPARE(audio.samples()[2 * f + 1], source[f]);
    }
}

void TestDecodedAudio::extraChannelsAreDropped()
{
    const auto source = TestSignals::noise(4000, 4, 3);
    QVERIFY(
        TestSignals::writeFile(path("q.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 4, source));
    const DecodedAudio audio = DecodedAudio::fromFile(path("q.wav"));
    QCOMPARE(audio.sampleRate(), 48000);
    QCOMPARE(audio.frameCount(), 4000);
    for (size_t f = 0; f < 4000; ++f) {
        QCOMPARE(audio.samples()[2 * f], source[4 * f]);
        QCOMPARE(audio.samples()[2 * f + 1], source[4 * f + 1]);
    }
}

void TestDecodedAudio::loudFloatIsClipped()
{
    SF_INFO info{};
    info.samplerate = 8000;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* sf = sf_open(QFile::encodeName(path("f.wav")).constData(), SFM_WRITE, &info);
    QVERIFY(sf);
    const float frames[] = {1.5f, -1.5f, 0.5f, -0.5f, 0.0f, 1.0f};
    QCOMPARE(sf_writef_float(sf, frames, 3), 3);
    sf_close(sf);

    const DecodedAudio audio = DecodedAudio::fromFile(path("f.wav"));
    const std::vector<qint16> expected{32767, -32768, 16384, -16384, 0, 32767};
    QVERIFY(std::ranges::equal(audio.samples(), expected));
}

void TestDecodedAudio::unreadableFilesGiveNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("missing") << "missing.mp3" << QByteArray();
    QTest::newRow("empty") << "empty.mp3" << QByteArray("");
    QTest::newRow("text") << "text.mp3" << QByteArray("Lesson 1 is not a recording.\n");
    QTest::newRow("zeros") << "zeros.wav" << QByteArray(70000, '\0');
    // A 16-bit stereo WAV header announcing a data chunk of 0 bytes.
    const QByteArray header = QByteArray::fromHex("524946462400000057415645666d7420100000000100"
                                                  "020044ac000010b10200040010006461746100000000");
    QTest::newRow("no frames") << "noframes.wav" << header;
    QTest::newRow("cut header") << "cut.wav" << header.left(20);
    // Rates no output can play (a 40 Hz file crashed the sink), with real frames behind them.
    const auto withRate = [&](quint32 rate) -> QByteArray {
        QByteArray wav = header;
        const QByteArray frames(4000, '\x11');
        for (int i = 0; i < 4; ++i) {
            wav[24 + i] = char(rate >> (8 * i));
            wav[28 + i] = char((rate * 4) >> (8 * i));
            wav[40 + i] = char(quint32(frames.size()) >> (8 * i));
        }
        return wav + frames;
    };
    QTest::newRow("rate 40 Hz") << "r40.wav" << withRate(40);
    QTest::newRow("rate 7999 Hz") << "r7999.wav" << withRate(7999);
    QTest::newRow("rate 192001 Hz") << "r192001.wav" << withRate(192001);
    QTest::newRow("folder") << "" << QByteArray();
}

void TestDecodedAudio::unreadableFilesGiveNothing()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    const QString file = name.isEmpty() ? m_dir.path() : path(name);
    if (!content.isNull()) {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(content);
    }
    const DecodedAudio audio = DecodedAudio::fromFile(file);
    QVERIFY(audio.isEmpty());
    QCOMPARE(audio.frameCount(), 0);
}

void TestDecodedAudio::pathWithChineseFolderOpens()
{
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("语音库")));
    const QString file = path(QStringLiteral("语音库/第一课.wav"));
    const auto source = TestSignals::noise(1000, 2, 4);
    QVERIFY(TestSignals::writeFile(file, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, source));
    QVERIFY(std::ranges::equal(DecodedAudio::fromFile(file).samples(), source));
}

// The course builder writes lesson MP3s with libsndfile and takes sentence times from the
// samples it wrote: they hold only if decoding gives every frame back at its own index.
void TestDecodedAudio::mp3KeepsFramesAligned_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("frames");
    QTest::newRow("44100 mono") << 44100 << 1 << 88200;
    QTest::newRow("44100 mono, odd length") << 44100 << 1 << 100001;
    QTest::newRow("44100 stereo") << 44100 << 2 << 66150;
    QTest::newRow("22050 mono") << 22050 << 1 << 44100;
}

void TestDecodedAudio::mp3KeepsFramesAligned()
{
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, frames);
    const std::vector<qint64> clicks{qint64(rate / 4), qint64(frames / 2) + 7,
                                     qint64(frames) - rate / 5};
    std::vector<qint16> source(size_t(frames) * size_t(channels), 0);
    for (qint64 click : clicks) {
        for (int c = 0; c < channels; ++c)
            source[size_t(click * channels + c)] = 30000;
    }
    const QString file = path(QStringLiteral("click%1-%2.mp3").arg(rate).arg(channels));
    QVERIFY(TestSignals::writeFile(file, SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, rate, channels,
                                   source));

    const DecodedAudio audio = DecodedAudio::fromFile(file);
    QCOMPARE(audio.sampleRate(), rate);
    QCOMPARE(audio.frameCount(), qint64(frames));
    // The loudest decoded frame near each click is the click itself.
    for (qint64 click : clicks) {
        qint64 loudest = -1;
        int peak = 0;
        for (qint64 f = click - rate / 10; f < click + rate / 10; ++f) {
            const int value = std::abs(int(audio.samples()[size_t(2 * f)]));
            if (value > peak) {
                peak = value;
                loudest = f;
            }
        }
        QCOMPARE(loudest, click);
    }
}

ORLUNE_GUILESS_TEST_MAIN(TestDecodedAudio)

#include "tst_decodedaudio.moc"
