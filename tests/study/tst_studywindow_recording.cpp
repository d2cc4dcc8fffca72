#include "lessons/lessoncatalog.h"
#include "study/studywindow.h"
#include "study/studywindowlayout.h"
#include "studyfixture.h"
#include "testaudio.h"
#include "testmain.h"
#include "testsignals.h"
#include "widgets/facebutton.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>
#include <cmath>
#include <sndfile.h>

namespace {

// Power of one frequency in mono samples (Goertzel).
double powerAt(const std::vector<qint16>& samples, int rate, double frequency)
{
    const double w = 2.0 * M_PI * frequency / rate;
    const double coefficient = 2.0 * std::cos(w);
    double s1 = 0;
    double s2 = 0;
    for (const qint16 sample : samples) {
        const double s0 = sample + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - coefficient * s1 * s2;
}

// The first channel of a sound file, and its rate.
std::vector<qint16> readFirstChannel(const QString& path, int* rate)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file) {
        return {};
    }
    std::vector<qint16> all(size_t(info.frames * info.channels));
    sf_readf_short(file, all.data(), info.frames);
    sf_close(file);
    std::vector<qint16> first;
    for (size_t i = 0; i < all.size(); i += size_t(info.channels)) {
        first.push_back(all[i]);
    }
    *rate = info.samplerate;
    return first;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestStudyWindowRecording : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!TestAudio::pulseAvailable()) {
            QSKIP("no PulseAudio server: start one with tools/start-pulse.sh");
        }
    }

    void recordsWhatIsHeardReplaysAndSavesACopy()
    {
        StudyFixture fixture;
        StudyWindow& window = fixture.window();
        QStringList notices;
        window.prompts().notify = [&](const QString& text) { notices.append(text); };
        FaceButton* record = button(window, 3);
        QVERIFY(!button(window, 4)->isEnabled());
        QVERIFY(!button(window, 5)->isEnabled());

        // A known tone playing into the sink while the learner records.
        QTemporaryDir dir;
        const QString tonePath = dir.filePath(QStringLiteral("tone.wav"));
        const auto tone = TestSignals::tone(44100 * 2, 2, 44100, 1000.0, 12000);
        QVERIFY(TestSignals::writeFile(tonePath, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, tone));
        MediaPlayer tonePlayer;
        tonePlayer.setUrl(tonePath);

        press(record, Qt::RightButton);
        QCOMPARE(record->caption(), QStringLiteral("停止录音"));
        QVERIFY(!button(window, 4)->isEnabled());
        tonePlayer.controls().play();
        QTest::qWait(1500);
        press(record);
        QCOMPARE(record->caption(), QStringLiteral("● 录音"));
        QVERIFY(button(window, 4)->isEnabled());
        QVERIFY(button(window, 5)->isEnabled());
        QVERIFY2(notices.isEmpty(), qPrintable(notices.join(u'\n')));

        int rate = 0;
        const std::vector<qint16> recorded = readFirstChannel(window.recordingFile(), &rate);
        QVERIFY(recorded.size() > size_t(rate) / 2);
        const double toneRatio = powerAt(recorded, rate, 1000.0) / powerAt(recorded, rate, 700.0);
        QVERIFY2(toneRatio > 100, qPrintable(QString::number(toneRatio)));

        // Replay runs beside the window.
        press(button(window, 4));
        QCOMPARE(window.replayPlayer().playState(), MediaPlayer::Playing);
        QTRY_COMPARE_WITH_TIMEOUT(window.replayPlayer().playState(), MediaPlayer::Stopped, 5000);

        // "另存为": ".wav" is added only when the name lacks it, and an existing file is only
        // replaced when the learner agrees.
        QString chosen = dir.filePath(QStringLiteral("take1"));
        QStringList asked;
        bool agree = false;
        window.prompts().savePath = [&] { return chosen; };
        window.prompts().confirmReplace = [&](const QString& path) {
            asked.append(path);
            return agree;
        };
        press(button(window, 5));
        QCOMPARE(contents(dir.filePath(QStringLiteral("take1.wav"))),
                 contents(window.recordingFile()));
        chosen = dir.filePath(QStringLiteral("take2.WAV"));
        press(button(window, 5));
        QVERIFY(QFileInfo::exists(chosen));
        QVERIFY(!QFileInfo::exists(chosen + QStringLiteral(".wav")));
        QVERIFY(asked.isEmpty());

        const QString mine = dir.filePath(QStringLiteral("mine.wav"));
        QFile file(mine);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("the learner's own file");
        file.close();
        chosen = mine;
        press(button(window, 5));
        QCOMPARE(asked, QStringList{mine});
        QCOMPARE(contents(mine), QByteArray("the learner's own file"));
        agree = true;
        press(button(window, 5));
        QCOMPARE(contents(mine), contents(window.recordingFile()));

        // Cancelling the dialog does nothing.
        chosen.clear();
        press(button(window, 5));
        QCOMPARE(asked.size(), 2);
    }

    void anUnwritableFolderIsReportedAndTheButtonsStillToggle()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("not-a-folder")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        StudyWindow window(StudyPaths{blocker.fileName() + QStringLiteral("/"), QString()});
        QStringList notices;
        window.prompts().notify = [&](const QString& text) { notices.append(text); };

        // A recording that cannot start leaves the button offering to record.
        for (int attempt = 1; attempt <= 2; ++attempt) {
            press(button(window, 3));
            QCOMPARE(button(window, 3)->caption(), QStringLiteral("● 录音"));
            QCOMPARE(notices.size(), attempt);
            QVERIFY(notices.last().contains(QStringLiteral("录音")));
        }

        // Nothing was recorded: replay and save say so instead of failing silently.
        button(window, 4)->setEnabled(true);
        button(window, 5)->setEnabled(true);
        press(button(window, 4));
        press(button(window, 5));
        QCOMPARE(notices.size(), 4);
        QVERIFY(window.replayPlayer().playState() != MediaPlayer::Playing);
    }

    // The line that says where the learner is, at its longest ("第 2/3 遍　该你说了"), next to
    // the course's longest sentence: at any width of the window it is whole, and covers neither
    // a letter of the sentence nor a sentence button.
    void theStatusLineCoversNothingTheLearnerNeeds_data()
    {
        using namespace StudyWindowLayout;
        QTest::addColumn<int>("widthTwips"); // the window's client area
        QTest::newRow("narrowest") << minimumOuterWidth - frameWidth;
        QTest::newRow("as designed") << designClientWidth;
        QTest::newRow("wide") << designClientWidth + 4000;
    }

    void theStatusLineCoversNothingTheLearnerNeeds()
    {
        QFETCH(int, widthTwips);
        StudyFixture fixture;
        StudyWindow& window = fixture.window();
        // The longest sentence of the course, as "book lesson index".
        std::tuple<int, int, int> longest{0, 0, -1};
        qsizetype longestLength = 0;
        for (int book = 1; book <= LessonCatalog::bookCount; ++book) {
            for (int lesson = 1; lesson <= LessonCatalog::lessonCounts[book - 1]; ++lesson) {
                if (!window.openLesson(book, lesson)) {
                    continue;
                }
                for (int i = 0; i < window.sentences().count(); ++i) {
                    if (window.sentences().sentence(i).size() > longestLength) {
                        longestLength = window.sentences().sentence(i).size();
                        longest = {book, lesson, i};
                    }
                }
            }
        }
        const auto [book, lesson, index] = longest;
        QVERIFY(index >= 0);
        window.showNormal();
        window.resize(StudyWindowLayout::toPixels(widthTwips), window.height());
        QTRY_COMPARE(window.centralWidget()->width(),
                     std::max(StudyWindowLayout::toPixels(widthTwips),
                              window.centralWidget()->minimumWidth()));
        window.findChild<QAction*>(QStringLiteral("repeat_3"))->trigger();
        window.findChild<QAction*>(QStringLiteral("gap_second"))->trigger();
        QVERIFY(window.openLesson(book, lesson));
        window.playCurrentSentence(index);
        auto* status = window.findChild<QLabel*>(QStringLiteral("sentenceStatus"));
        QTRY_VERIFY_WITH_TIMEOUT(status->text().contains(QStringLiteral("第 1/3 遍")), 5000);
        QVERIFY(status->isVisible());
        QCOMPARE_GE(status->width(), status->fontMetrics().horizontalAdvance(status->text()));
        QVERIFY(status->parentWidget()->rect().contains(status->geometry()));
        // Its longest form, in the learner's turn, has room beside whatever shares its bar.
        const QString longestLine = QStringLiteral("第 15/15 句　第 3/3 遍　该你说了");
        int taken = 0;
        for (const QLabel* other : status->parentWidget()->findChildren<QLabel*>()) {
            if (other != status) {
                taken = std::max(taken, other->x() +
                                            other->fontMetrics().horizontalAdvance(other->text()));
            }
        }
        if (status->parentWidget()->objectName() != QStringLiteral("sentenceBar")) {
            QCOMPARE_GE(status->geometry().right() - taken,
                        status->fontMetrics().horizontalAdvance(longestLine));
        }
        const QRect inWindow(status->mapTo(&window, QPoint()), status->size());
        for (int button = 0; button < 6; ++button) {
            auto* face = window.findChild<QWidget*>(StudyFixture::sentenceButtonName(button));
            const QRect buttonRect(face->mapTo(&window, QPoint()), face->size());
            QVERIFY2(!inWindow.intersects(buttonRect), qPrintable(face->objectName()));
        }
        QPlainTextEdit* box = window.currentSentenceBox();
        QCOMPARE(box->toPlainText(), window.sentences().sentence(index));
        const QRect inBox(box->viewport()->mapFrom(&window, inWindow.topLeft()), status->size());
        QTextCursor cursor(box->document());
        for (int at = 0; at <= box->toPlainText().size(); ++at) {
            cursor.setPosition(at);
            // Letters scrolled out of the box are drawn nowhere.
            const QRect letter = box->cursorRect(cursor) & box->viewport()->rect();
            QVERIFY2(!inBox.intersects(letter),
                     qPrintable(QStringLiteral("%1 over letter %2 of: %3")
                                    .arg(status->text())
                                    .arg(at)
                                    .arg(box->toPlainText())));
        }
        window.player().controls().stop();
    }

private:
    static FaceButton* button(StudyWindow& window, int index)
    {
        return window.findChild<FaceButton*>(StudyFixture::sentenceButtonName(index));
    }
    static void press(FaceButton* button, Qt::MouseButton mouse = Qt::LeftButton)
    {
        QTest::mouseClick(button->captionLabel(), mouse, {}, QPoint(5, 5));
    }
};

ORLUNE_TEST_MAIN(TestStudyWindowRecording)

#include "tst_studywindow_recording.moc"

#include <QApplication>
