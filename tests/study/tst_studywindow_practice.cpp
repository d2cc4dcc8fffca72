#include "monitorcapture.h"
#include "study/studywindow.h"
#include "studyfixture.h"
#include "testaudio.h"
#include "testmain.h"
#include "widgets/facebutton.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLockFile>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidgetItem>

namespace {

// Two half-second sentences in a two-second noise recording; the second runs to its end.
const QList<SyntheticSentence> twoSentences{
    {QStringLiteral("First line here."), QStringLiteral(".5"), QStringLiteral("1")},
    {QStringLiteral("Last line here."), QStringLiteral("1.5"), QString()},
};

QAction* action(StudyWindow& window, const char* name)
{
    auto* item = window.findChild<QAction*>(QString::fromUtf8(name));
    if (!item) {
        qFatal("no action %s", name);
    }
    return item;
}

// Window shortcuts act only in the active window.
void activate(StudyWindow& window)
{
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) {
        qWarning("the study window did not become active");
    }
}

QString display(StudyWindow& window)
{
    return window.findChild<QLabel*>(QStringLiteral("practiceDisplay"))->text();
}

void clickSentence(StudyWindow& window, int i)
{
    auto* text = window.findChild<QTextEdit*>(QStringLiteral("lessonText"));
    int position = 1;
    for (int j = 0; j < i; ++j) {
        position += int(window.sentences().sentence(j).size()) + 2;
    }
    QTextCursor cursor(text->document());
    cursor.setPosition(position);
    QTest::mouseClick(text->viewport(), Qt::LeftButton, {},
                      text->cursorRect(cursor).center() + QPoint(3, 0));
}

// Where each copy of frames [first, stop) of the media was heard, in order.
QList<qint64> occurrences(MediaPlayer& player, const std::vector<qint16>& heard, qint64 first,
                          qint64 stop)
{
    const std::vector<qint16> needle = player.heardFrames(first, stop);
    QList<qint64> found;
    qint64 from = 0;
    while (true) {
        const qint64 at =
            TestAudio::findFrames(std::span(heard).subspan(std::size_t(from) * 2), needle);
        if (at < 0) {
            return found;
        }
        found.append(from + at);
        from += at + (stop - first);
    }
}

} // namespace

class TestStudyWindowPractice : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!TestAudio::pulseAvailable()) {
            QSKIP("no PulseAudio server: start one with tools/start-pulse.sh");
        }
    }

    void menuDisplayAndKeysDriveThePractice()
    {
        StudyFixture fixture;
        StudyWindow& window = fixture.window();
        activate(window);
        QCOMPARE(display(window), QStringLiteral("语速 1.0×　重复 1 次"));
        QVERIFY(action(window, "speed_10")->isChecked());
        QVERIFY(action(window, "gap_length")->isChecked());

        // Menu items and keys, each with what it leaves in the display and the player.
        const QList<std::tuple<QString, QKeySequence, QString, double>> steps{
            {"speed_5", {}, "语速 0.5×　重复 1 次", 0.5},
            {{}, QKeySequence(Qt::CTRL | Qt::Key_Minus), "语速 0.5×　重复 1 次", 0.5},
            {{}, QKeySequence(Qt::CTRL | Qt::Key_Equal), "语速 0.6×　重复 1 次", 0.6},
            {"repeat_0", {}, "语速 0.6×　重复 一直重复", 0.6},
            {"speed_15", {}, "语速 1.5×　重复 一直重复", 1.5},
            {{}, QKeySequence(Qt::CTRL | Qt::Key_Equal), "语速 1.5×　重复 一直重复", 1.5},
            {"faster", {}, "语速 1.5×　重复 一直重复", 1.5},
            {"slower", {}, "语速 1.4×　重复 一直重复", 1.4},
            {"repeat_5", {}, "语速 1.4×　重复 5 次", 1.4},
        };
        for (const auto& [name, keys, text, speed] : steps) {
            if (name.isEmpty()) {
                QTest::keySequence(&window, keys);
            } else {
                action(window, name.toUtf8().constData())->trigger();
            }
            QCOMPARE(display(window), text);
            QCOMPARE(window.player().speed(), speed);
            QCOMPARE(window.practice().speed(), speed);
        }
        QVERIFY(action(window, "speed_14")->isChecked());
        QVERIFY(!action(window, "speed_15")->isChecked());

        // Every key acts like its control, and the control's tooltip names the key.
        fixture.openLesson(1, 1);
        action(window, "repeat_1")->trigger();
        auto* recordButton = window.findChild<FaceButton*>(QStringLiteral("recordButton"));
        const QList<std::tuple<QKeySequence, QString, std::function<bool()>>> keys{
            {QKeySequence(Qt::ALT | Qt::Key_Right), "nextSentenceButton",
             [&] { return window.currentSentence() == 0; }},
            {QKeySequence(Qt::ALT | Qt::Key_Right), "nextSentenceButton",
             [&] { return window.currentSentence() == 1; }},
            {QKeySequence(Qt::ALT | Qt::Key_Left), "previousSentenceButton",
             [&] { return window.currentSentence() == 0; }},
            {QKeySequence(Qt::Key_F5), "replaySentenceButton",
             [&] { return window.player().playState() == MediaPlayer::Playing; }},
            {QKeySequence(Qt::Key_Escape), "stopReadingButton",
             [&] {
                 return window.player().playState() == MediaPlayer::Stopped &&
                        window.currentSentence() == 0;
             }},
            {QKeySequence(Qt::Key_F6), "readLessonButton",
             [&] { return window.continuousReading(); }},
            {QKeySequence(Qt::Key_Escape), "stopReadingButton",
             [&] { return !window.continuousReading() && window.currentSentence() == -1; }},
            {QKeySequence(Qt::Key_F8), "recordButton",
             [&] { return recordButton->caption() == QStringLiteral("停止录音"); }},
            {QKeySequence(Qt::Key_F8), "recordButton",
             [&] { return recordButton->caption() == QStringLiteral("● 录音"); }},
            {QKeySequence(Qt::Key_F9), "playRecordingButton",
             [&] { return window.replayPlayer().playState() == MediaPlayer::Playing; }},
        };
        for (const auto& [key, control, happened] : keys) {
            if (key == QKeySequence(Qt::Key_F8)) {
                QTest::qWait(300);
            }
            QTest::keySequence(&window, key);
            QVERIFY2(happened(), qPrintable(key.toString()));
            const QString tip = window.findChild<QWidget*>(control)->toolTip();
            QVERIFY2(tip.contains(key.toString(QKeySequence::NativeText)), qPrintable(tip));
        }
        window.replayPlayer().controls().stop();
    }

    void repeatsAreHeardWithTheChosenGaps_data()
    {
        QTest::addColumn<int>("repeats");
        QTest::addColumn<QString>("gap");
        QTest::addColumn<bool>("reading");
        QTest::addColumn<QList<double>>("gaps");   // between the copies heard, in seconds
        QTest::addColumn<QList<int>>("followOns"); // the sentence each follow-on started
        QTest::addColumn<QStringList>("said");     // the sentence bar's status, each change once
        const QString turn = QStringLiteral("　该你说了");
        const QString first = QStringLiteral("第 1/2 句");
        const QString second = QStringLiteral("第 2/2 句");
        QTest::newRow("clicked, 3 times, 1 s")
            << 3 << "gap_second" << false << QList<double>{1.0, 1.0} << QList<int>{0, 0}
            << QStringList{first + "　第 1/3 遍", first + "　第 1/3 遍" + turn,
                           first + "　第 2/3 遍", first + "　第 2/3 遍" + turn,
                           first + "　第 3/3 遍", first};
        QTest::newRow("clicked, twice, its length")
            << 2 << "gap_length" << false << QList<double>{0.5} << QList<int>{0}
            << QStringList{first + "　第 1/2 遍", first + "　第 1/2 遍" + turn,
                           first + "　第 2/2 遍", first};
        QTest::newRow("reading, twice each")
            << 2 << "gap_length" << true << QList<double>{0.5, 1.0, 0.5} << QList<int>{0, 1, 1}
            << QStringList{first + "　第 1/2 遍",
                           first + "　第 1/2 遍" + turn,
                           first + "　第 2/2 遍",
                           second + "　第 1/2 遍",
                           second + "　第 1/2 遍" + turn,
                           second + "　第 2/2 遍",
                           QString()};
    }

    void repeatsAreHeardWithTheChosenGaps()
    {
        QFETCH(int, repeats);
        QFETCH(QString, gap);
        QFETCH(bool, reading);
        QFETCH(QList<double>, gaps);
        QFETCH(QList<int>, followOns);
        QFETCH(QStringList, said);
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(dir.path(), twoSentences, 2.0));
        StudyWindow& window = fixture.window();
        activate(window);
        action(window, qPrintable(QStringLiteral("repeat_%1").arg(repeats)))->trigger();
        action(window, qPrintable(gap))->trigger();
        fixture.openLesson(1, 1);
        MediaPlayer& player = window.player();
        QList<int> started;
        QObject::connect(&player, &MediaPlayer::followOnStarted, &window,
                         [&] { started.append(window.currentSentence()); });

        MonitorCapture capture;
        QVERIFY2(capture.start(), qPrintable(capture.errorString()));
        QTest::qWait(300);
        // Every state lasts half a second at least: a look every 10 ms sees each one.
        auto* status = window.findChild<QLabel*>(QStringLiteral("sentenceStatus"));
        QStringList statuses;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, &window, [&] {
            if (statuses.isEmpty() || statuses.last() != status->text()) {
                statuses << status->text();
            }
        });
        look.start(10);
        if (reading) {
            QTest::keyClick(&window, Qt::Key_F6);
            QTRY_VERIFY_WITH_TIMEOUT(!window.continuousReading(), 10000);
        } else {
            clickSentence(window, 0);
            QVERIFY(window.isRepeatingSentence());
            QTRY_COMPARE_WITH_TIMEOUT(player.playState(), MediaPlayer::Stopped, 10000);
        }
        const std::vector<qint16> heard = capture.stop();
        look.stop();
        QCOMPARE(statuses, said);
        QCOMPARE(
            window.currentSentenceBox()->placeholderText().contains(QStringLiteral("朗读完了")),
            reading);
        QCOMPARE(started, followOns);
        QVERIFY(!window.isRepeatingSentence());

        // Each sentence's frames, `repeats` times over, and nothing else.
        const int rate = player.sampleRate();
        const QList<std::pair<qint64, qint64>> spans{
            {MediaPlayer::startFrame(.5, rate), MediaPlayer::stopFrame(1.0, rate)},
            {MediaPlayer::startFrame(1.5, rate), player.frameCount()}};
        QList<qint64> at;
        qint64 total = 0;
        for (const auto& [first, stop] : spans.mid(0, reading ? 2 : 1)) {
            const QList<qint64> copies = occurrences(player, heard, first, stop);
            at += copies;
            total += copies.size() * (stop - first);
        }
        QCOMPARE(at.size(), gaps.size() + 1);
        QCOMPARE(TestAudio::countNonSilentFrames(heard), total);
        for (int k = 0; k < gaps.size(); ++k) {
            // Both sentences last half a second, to a frame.
            const double gapHeard = double(at[k + 1] - at[k]) / rate - 0.5;
            QVERIFY2(qAbs(gapHeard - gaps[k]) <= 0.020, qPrintable(QString::number(gapHeard)));
        }
        QTreeWidgetItem* node = fixture.lessonNode(1, 1);
        QCOMPARE(node->data(0, StudyWindow::readRole).toBool(), reading);
        QCOMPARE(node->text(0), QStringLiteral("Lesson 1"));
    }

    void aGapAsLongAsTheSentenceLastsAsLongAsItIsHeard()
    {
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(dir.path(), twoSentences, 2.0));
        StudyWindow& window = fixture.window();
        action(window, "speed_5")->trigger();
        action(window, "repeat_2")->trigger();
        fixture.openLesson(1, 1);
        QElapsedTimer clock;
        qint64 again = -1;
        QObject::connect(&window.player(), &MediaPlayer::followOnStarted, &window,
                         [&] { again = clock.elapsed(); });
        clock.start();
        clickSentence(window, 0);
        // Half a second at half speed is heard for a second, and so is the gap after it.
        QTRY_VERIFY_WITH_TIMEOUT(again >= 0, 5000);
        QVERIFY2(again >= 1950 && again <= 2300, qPrintable(QString::number(again)));
        QTRY_COMPARE_WITH_TIMEOUT(window.player().playState(), MediaPlayer::Stopped, 5000);
    }

    void repeatingUntilStoppedEndsOnStopOrAnotherChoice()
    {
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(dir.path(), twoSentences, 2.0));
        StudyWindow& window = fixture.window();
        activate(window);
        action(window, "repeat_0")->trigger();
        action(window, "gap_second")->trigger();
        fixture.openLesson(1, 1);
        int started = 0;
        QObject::connect(&window.player(), &MediaPlayer::followOnStarted, &window,
                         [&] { ++started; });
        // Ended by the key and the button "停止", by the next sentence, and by opening dictation.
        const QList<std::function<void()>> ends{
            [&] { QTest::keyClick(&window, Qt::Key_Escape); },
            [&] {
                auto* stop = window.findChild<QLabel*>(QStringLiteral("stopReadingCaption"));
                QTest::mouseClick(stop, Qt::LeftButton, {}, stop->rect().center());
            },
            [&] { QTest::keyClick(&window, Qt::Key_Right, Qt::AltModifier); },
            [&] {
                auto* dictation = window.findChild<QLabel*>(QStringLiteral("dictationCaption"));
                QTest::mouseClick(dictation, Qt::LeftButton, {}, dictation->rect().center());
            },
        };
        for (const auto& end : ends) {
            started = 0;
            clickSentence(window, 0);
            QTRY_VERIFY_WITH_TIMEOUT(started == 3, 8000);
            QVERIFY(window.findChild<QLabel*>(QStringLiteral("stopReadingCaption"))->isEnabled());
            end();
            QVERIFY(!window.isRepeatingSentence());
            QVERIFY(!window.player().hasFollowOn());
            QTRY_COMPARE_WITH_TIMEOUT(window.player().playState(), MediaPlayer::Stopped, 2000);
            QTest::qWait(1200);
            QCOMPARE(started, 3);
            QVERIFY(!window.findChild<QLabel*>(QStringLiteral("stopReadingCaption"))->isEnabled());
            QVERIFY(window.currentSentence() >= 0);
        }
        window.dictationWindow()->close();
    }

    // Listening without the English: the lesson text and the current sentence cannot be read,
    // yet a click still finds and plays its sentence, and the choice outlives the session.
    void hiddenTextCannotBeReadButClicksStillWork()
    {
        QTemporaryDir dir;
        StudyFixture fixture(makeSyntheticLesson(dir.path(), twoSentences, 2.0));
        // The sentence status may stand in the current sentence's corner: it is not the text.
        const auto inks = [&](StudyWindow& window) {
            auto* status = window.findChild<QLabel*>(QStringLiteral("sentenceStatus"));
            status->hide();
            const std::pair inked{
                inkedPixels(window.findChild<QTextEdit*>(QStringLiteral("lessonText"))->viewport()),
                inkedPixels(window.currentSentenceBox()->viewport())};
            status->show();
            return inked;
        };
        const auto click = [&](StudyWindow& window, int i) {
            clickSentence(window, i);
            window.player().controls().stop();
            QCOMPARE(window.currentSentence(), i);
            QCOMPARE(window.currentSentenceBox()->toPlainText(), window.sentences().sentence(i));
        };
        fixture.openLesson(1, 1);
        click(fixture.window(), 1);
        QVERIFY(inks(fixture.window()).first > 0 && inks(fixture.window()).second > 0);

        action(fixture.window(), "隐藏原文")->trigger();
        QCOMPARE(inks(fixture.window()), (std::pair{0, 0}));
        click(fixture.window(), 0);
        QCOMPARE(inks(fixture.window()), (std::pair{0, 0}));
        // A starred sentence's shade, drawn over the bars, brings no letter back.
        action(fixture.window(), "星标")->trigger();
        QCOMPARE(inks(fixture.window()), (std::pair{0, 0}));

        fixture.reopen();
        StudyWindow& again = fixture.window();
        QVERIFY(action(again, "隐藏原文")->isChecked());
        fixture.openLesson(1, 1);
        click(again, 1);
        QCOMPARE(inks(again), (std::pair{0, 0}));
        action(again, "隐藏原文")->trigger();
        QVERIFY(inks(again).first > 0 && inks(again).second > 0);
    }

    void thePlaceAndTheChoicesSurviveARestart()
    {
        StudyFixture fixture;
        StudyWindow& window = fixture.window();
        QVERIFY(!action(window, "继续上次学习")->isEnabled());
        QCOMPARE(action(window, "继续上次学习")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
        fixture.openLesson(1, 3);
        clickSentence(window, 3);
        window.player().controls().stop();
        action(window, "speed_8")->trigger();
        action(window, "repeat_3")->trigger();
        action(window, "gap_second")->trigger();
        fixture.openLesson(1, 2); // opened, but no sentence chosen: the place moves here
        fixture.openLesson(1, 3);
        clickSentence(window, 3);
        window.player().controls().stop();

        fixture.reopen();
        StudyWindow& again = fixture.window();
        activate(again);
        QCOMPARE(again.currentSentence(), -1);
        QCOMPARE(display(again), QStringLiteral("语速 0.8×　重复 3 次"));
        QCOMPARE(again.player().speed(), 0.8);
        QVERIFY(action(again, "gap_second")->isChecked());
        QTest::keyClick(&again, Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(again.findChild<QLabel*>(QStringLiteral("lessonTitle"))->text(),
                 QStringLiteral("Lesson 3"));
        QCOMPARE(again.currentSentence(), 3);
        QCOMPARE(again.findChild<QPlainTextEdit*>(QStringLiteral("currentSentence"))->toPlainText(),
                 again.sentences().sentence(3));
        QCOMPARE(again.player().playState(), MediaPlayer::Stopped);
        QCOMPARE(fixture.tree()->currentItem(), fixture.lessonNode(1, 3));

        // A damaged file gives the defaults and no place, and says so when asked for one.
        fixture.reopen([&] {
            QSettings settings(fixture.settingsFile(), QSettings::IniFormat);
            settings.setValue(QStringLiteral("practice/speed"), QStringLiteral("fast"));
            settings.setValue(QStringLiteral("practice/repeats"), 4);
            settings.setValue(QStringLiteral("place/book"), 9);
            settings.setValue(QStringLiteral("practice/hideText"), QStringLiteral("maybe"));
            settings.setValue(QStringLiteral("progress/readLessons"),
                              QStringList{QStringLiteral("1-99"), QStringLiteral("x")});
        });
        QCOMPARE(display(fixture.window()), QStringLiteral("语速 1.0×　重复 1 次"));
        QVERIFY(!action(fixture.window(), "继续上次学习")->isEnabled());
        QVERIFY(!action(fixture.window(), "隐藏原文")->isChecked());
        QStringList notices;
        fixture.window().prompts().notify = [&](const QString& text) { notices << text; };
        fixture.window().continueLastStudy();
        QCOMPARE(notices.size(), 1);
        QCOMPARE(fixture.window().currentSentence(), -1);
    }

    // Another copy of the program writing the settings, or one hanging with their lock, must
    // not freeze this one: the choices wait in memory until the file is free again.
    void aHeldSettingsFileNeverFreezesTheWindow()
    {
        StudyFixture fixture;
        StudyWindow& window = fixture.window();
        QVERIFY(QDir().mkpath(QFileInfo(fixture.settingsFile()).path()));
        QLockFile other(fixture.settingsFile() + QStringLiteral(".lock"));
        QVERIFY(other.tryLock(0));
        QElapsedTimer clock;
        clock.start();
        action(window, "speed_8")->trigger();
        fixture.openLesson(1, 3);
        clickSentence(window, 2);
        window.player().controls().stop();
        QVERIFY2(clock.elapsed() < 5000, "the window waited for the settings' lock");
        QVERIFY(!window.practice().isSaved());
        QCOMPARE(QSettings(fixture.settingsFile(), QSettings::IniFormat)
                     .value(QStringLiteral("practice/speed")),
                 QVariant());

        other.unlock();
        action(window, "repeat_3")->trigger();
        QTRY_VERIFY(window.practice().isSaved());
        const QSettings saved(fixture.settingsFile(), QSettings::IniFormat);
        QCOMPARE(saved.value(QStringLiteral("practice/speed")).toDouble(), 0.8);
        QCOMPARE(saved.value(QStringLiteral("practice/repeats")).toInt(), 3);
        QCOMPARE(saved.value(QStringLiteral("place/sentence")).toInt(), 2);
    }
};

ORLUNE_TEST_MAIN(TestStudyWindowPractice)

#include "tst_studywindow_practice.moc"
