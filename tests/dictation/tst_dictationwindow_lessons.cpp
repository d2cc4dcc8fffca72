#include "dictation/dictationwindow.h"
#include "dictationfixture.h"
#include "widgets/facebutton.h"
#include "widgets/lessontree.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeWidget>

namespace {

const QList<bool> allEnabled{true, true, true, true, true};
const QList<bool> onlyQuit{false, false, false, false, true};

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestDictationWindowLessons : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_fixture = std::make_unique<DictationFixture>();
        QVERIFY(m_fixture->isValid());
    }
    void cleanup() { m_fixture.reset(); }

    void lessonWithRecordingIsReady()
    {
        const CourseLesson source = readCourseLesson(1, 1);
        QCOMPARE(source.sentences.size(), 14);
        m_fixture->openLesson(1, 1);

        DictationWindow& window = m_fixture->window();
        QCOMPARE(window.sentences().sentences, source.sentences);
        QCOMPARE(window.sentences().translations, source.translations);
        QCOMPARE(window.sentences().startTimes.value(0), QStringLiteral(".5"));
        QCOMPARE(window.sentences().endTimes.last(), QString());
        QCOMPARE(window.currentSentence(), 0);
        QCOMPARE(m_fixture->shownTranslation(), source.translations.first());
        QCOMPARE(window.hiddenTranslation(), source.translations.first());
        QCOMPARE(m_fixture->toggleCaption(), QStringLiteral("隐 藏"));
        QVERIFY(m_fixture->input()->toPlainText().isEmpty());
        QVERIFY(m_fixture->answer()->toPlainText().isEmpty());
        QVERIFY(m_fixture->input()->hasFocus());
        QCOMPARE(m_fixture->buttonStates(), allEnabled);

        // The player gets a fresh copy, never the library file, and stays silent.
        const QString library =
            QDir(DictationFixture::voiceLibrary()).filePath(QStringLiteral("QVN101.dat"));
        const QString copy = m_fixture->tempPath() + QStringLiteral("sounenclff/QVN101.mp3");
        QCOMPARE(window.lessonAudioFile(), library);
        MediaPlayer& player = m_fixture->player();
        QCOMPARE(QDir::cleanPath(player.url()), QDir::cleanPath(copy));
        QVERIFY(player.hasMedia());
        QCOMPARE(fileBytes(copy), fileBytes(library));
        QCOMPARE(player.playState(), MediaPlayer::Stopped);
        QCOMPARE(player.controls().currentPosition(), 0.0);
        QVERIFY(!window.isWatchingPlayback());
    }

    void lessonWithoutRecordingKeepsItsText()
    {
        const CourseLesson source = readCourseLesson(2, 96);
        QVERIFY(!source.sentences.isEmpty());
        m_fixture->openLesson(1, 1);
        m_fixture->openLesson(2, 96);

        DictationWindow& window = m_fixture->window();
        QCOMPARE(window.sentences().sentences, source.sentences);
        QCOMPARE(m_fixture->shownTranslation(), source.translations.first());
        QCOMPARE(m_fixture->buttonStates(), onlyQuit);
        QVERIFY(window.lessonAudioFile().endsWith(QLatin1String("/QVN2096.dat")));
        QVERIFY(!m_fixture->player().hasMedia());
        QCOMPARE(m_fixture->player().url(), QString());
        QVERIFY(
            !QFileInfo::exists(m_fixture->tempPath() + QStringLiteral("sounenclff/QVN2096.mp3")));
    }

    void lessonWithoutRowsOrRecording()
    {
        m_fixture->openLesson(1, 70);
        DictationWindow& window = m_fixture->window();
        QCOMPARE(window.sentences().count(), 0);
        QVERIFY(m_fixture->shownTranslation().isEmpty());
        QCOMPARE(m_fixture->toggleCaption(), QStringLiteral("隐 藏"));
        QCOMPARE(m_fixture->buttonStates(), onlyQuit);
        QVERIFY(window.lessonAudioFile().endsWith(QLatin1String("/QVN1070.dat")));
        // Greyed in the tree, still clickable, with a word on how to fill it.
        QTreeWidgetItem* empty = m_fixture->lessonNode(1, 70);
        QCOMPARE(empty->toolTip(0), LessonTree::emptyLessonTip());
        QVERIFY(empty->data(0, Qt::ForegroundRole).isValid());
        QVERIFY(m_fixture->lessonNode(1, 12)->toolTip(0).isEmpty());
        QVERIFY(!m_fixture->lessonNode(1, 12)->data(0, Qt::ForegroundRole).isValid());
        // The answer pane says so too, until a lesson with sentences or a book is clicked.
        QCOMPARE(m_fixture->answer()->placeholderText(), LessonTree::emptyLessonTip());
        m_fixture->openLesson(1, 12);
        QVERIFY(m_fixture->answer()->placeholderText().isEmpty());
        m_fixture->openLesson(1, 70);
        m_fixture->click(m_fixture->bookNode(2));
        QVERIFY(m_fixture->answer()->placeholderText().isEmpty());
    }

    void bookClickDropsTheLesson()
    {
        m_fixture->openLesson(1, 12);
        QTest::keyClicks(m_fixture->input(), QStringLiteral("typed"));
        m_fixture->clickButton(3);
        QVERIFY(!m_fixture->answer()->toPlainText().isEmpty());

        QTreeWidgetItem* book2 = m_fixture->bookNode(2);
        QVERIFY(!book2->isExpanded());
        m_fixture->click(book2);
        QVERIFY(book2->isExpanded());
        DictationWindow& window = m_fixture->window();
        QCOMPARE(window.sentences().count(), 0);
        QVERIFY(m_fixture->input()->toPlainText().isEmpty());
        QVERIFY(m_fixture->answer()->toPlainText().isEmpty());
        QVERIFY(m_fixture->shownTranslation().isEmpty());
        QVERIFY(window.hiddenTranslation().isEmpty());
        QVERIFY(window.lessonAudioFile().isEmpty());
        QCOMPARE(m_fixture->buttonStates(), onlyQuit);
        QVERIFY(!m_fixture->player().hasMedia());

        // The hidden copy went too: showing again shows nothing of the old lesson.
        toggle();
        toggle();
        QCOMPARE(m_fixture->toggleCaption(), QStringLiteral("隐 藏"));
        QVERIFY(m_fixture->shownTranslation().isEmpty());

        m_fixture->click(book2);
        QVERIFY(!book2->isExpanded());
        QVERIFY(m_fixture->bookNode(1)->isExpanded());
    }

    void toggleHidesAndShowsTheTranslation()
    {
        m_fixture->openLesson(1, 1);
        const QString first = m_fixture->window().hiddenTranslation();
        toggle();
        QCOMPARE(m_fixture->toggleCaption(), QStringLiteral("显 示"));
        QVERIFY(m_fixture->shownTranslation().isEmpty());
        QCOMPARE(m_fixture->window().hiddenTranslation(), first);

        // A click on the caption itself does the same as one on its picture.
        QLabel* caption = m_fixture->label(QStringLiteral("translationToggle"));
        QTest::mouseClick(caption, Qt::LeftButton, {}, caption->rect().center());
        QCOMPARE(m_fixture->toggleCaption(), QStringLiteral("隐 藏"));
        QCOMPARE(m_fixture->shownTranslation(), first);

        // Only a left click toggles.
        QTest::mouseClick(caption, Qt::RightButton, {}, caption->rect().center());
        QCOMPARE(m_fixture->toggleCaption(), QStringLiteral("隐 藏"));
    }

    void loadingAnotherLessonShowsItsTranslationAgain()
    {
        m_fixture->openLesson(1, 1);
        toggle();
        m_fixture->clickButton(1);
        QCOMPARE(m_fixture->window().currentSentence(), 1);
        m_fixture->openLesson(3, 60);
        QCOMPARE(m_fixture->toggleCaption(), QStringLiteral("隐 藏"));
        QCOMPARE(m_fixture->shownTranslation(), readCourseLesson(3, 60).translations.first());
        QCOMPARE(m_fixture->window().currentSentence(), 0);

        // The same lesson again reloads it from the start.
        m_fixture->clickButton(1);
        toggle();
        m_fixture->openLesson(3, 60);
        QCOMPARE(m_fixture->window().currentSentence(), 0);
        QCOMPARE(m_fixture->toggleCaption(), QStringLiteral("隐 藏"));
        QCOMPARE(m_fixture->buttonStates(), allEnabled);
    }

    void lessonNamesAreNotPadded_data()
    {
        QTest::addColumn<int>("book");
        QTest::addColumn<int>("lesson");
        QTest::addColumn<QString>("name");
        QTest::newRow("book 1, lesson 3") << 1 << 3 << QStringLiteral("QVN103");
        QTest::newRow("book 3, lesson 30") << 3 << 30 << QStringLiteral("QVN3030");
        QTest::newRow("book 4, lesson 48") << 4 << 48 << QStringLiteral("QVN4048");
    }
    void lessonNamesAreNotPadded()
    {
        QFETCH(int, book);
        QFETCH(int, lesson);
        QFETCH(QString, name);
        m_fixture->openLesson(book, lesson);
        QCOMPARE(QFileInfo(m_fixture->window().lessonAudioFile()).fileName(),
                 name + QStringLiteral(".dat"));
        QCOMPARE(QFileInfo(m_fixture->player().url()).fileName(), name + QStringLiteral(".mp3"));
        QVERIFY(m_fixture->player().hasMedia());
    }

    void recordingWithoutSentencesDoesNoHarm()
    {
        // Book 1 lesson 1 without its rows; its recording is still in the library.
        QVERIFY(m_fixture->removeSentences(QStringLiteral("1"), QStringLiteral("Lesson 1")));
        m_fixture->openLesson(1, 1);
        DictationWindow& window = m_fixture->window();
        QCOMPARE(window.sentences().count(), 0);
        QCOMPARE(m_fixture->buttonStates(), allEnabled);
        QVERIFY(m_fixture->player().hasMedia());

        for (const int index : {1, 1, 6, 6, 2, 3, 1}) {
            m_fixture->clickButton(index);
            QCOMPARE(window.currentSentence(), 0);
            // Nothing is played: no sentence, so no start and no end to stop at.
            QVERIFY(!window.isWatchingPlayback());
            QCOMPARE(m_fixture->player().endPosition(), -1.0);
            QVERIFY(m_fixture->answer()->toPlainText().isEmpty());
            QVERIFY(m_fixture->shownTranslation().isEmpty());
        }
        QVERIFY(!m_fixture->button(1)->isEnabled());
        QVERIFY(m_fixture->button(4)->isEnabled());
    }

    void lessonsOpenFromTheKeyboard()
    {
        QTreeWidget* tree = m_fixture->tree();
        tree->setFocus();
        tree->setCurrentItem(m_fixture->bookNode(1));
        QTest::keyClick(tree, Qt::Key_Return);
        QVERIFY(m_fixture->bookNode(1)->isExpanded());
        QTest::keyClick(tree, Qt::Key_Down);
        QCOMPARE(tree->currentItem(), m_fixture->lessonNode(1, 1));
        QTest::keyClick(tree, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(m_fixture->window().sentences().count(), 14);
        QVERIFY(m_fixture->input()->hasFocus());

        // Tab leads from the input box to the tree and back, never into the text.
        QTest::keyClick(m_fixture->input(), Qt::Key_Tab);
        QVERIFY(tree->hasFocus());
        QVERIFY(m_fixture->input()->toPlainText().isEmpty());
    }

private:
    void toggle()
    {
        QLabel* picture = m_fixture->label(QStringLiteral("translationToggleBack"));
        QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(3, 3));
    }

    std::unique_ptr<DictationFixture> m_fixture;
};

DICTATION_TEST_MAIN(TestDictationWindowLessons)
#include "tst_dictationwindow_lessons.moc"
