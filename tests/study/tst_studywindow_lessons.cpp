#include "lessons/timetext.h"
#include "study/studywindow.h"
#include "study/textmask.h"
#include "studyfixture.h"
#include "testmain.h"
#include "testsignals.h"
#include "widgets/facebutton.h"
#include "widgets/lessontree.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTreeWidget>
#include <sndfile.h>

using namespace Qt::StringLiterals;

namespace {

QString labelText(StudyWindow& window, const QString& name)
{
    auto* label = window.findChild<QLabel*>(name);
    return label ? label->text() : QStringLiteral("<missing %1>").arg(name);
}

bool actionEnabled(StudyWindow& window, int toolbarIndex)
{
    const QString name = StudyFixture::toolbarName(toolbarIndex);
    auto* icon = window.findChild<QLabel*>(name + QStringLiteral("Icon"));
    auto* caption = window.findChild<QLabel*>(name + QStringLiteral("Caption"));
    // The icon and the caption are always switched as a pair.
    if (!icon || !caption || icon->isEnabled() != caption->isEnabled()) {
        qWarning("toolbar pair %d is split", toolbarIndex);
        return false;
    }
    return icon->isEnabled();
}

QStringList paragraphs(QTextEdit* edit)
{
    QStringList blocks;
    for (QTextBlock b = edit->document()->begin(); b.isValid(); b = b.next()) {
        blocks.append(b.text());
    }
    return blocks;
}

} // namespace

class TestStudyWindowLessons : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_fixture = std::make_unique<StudyFixture>(); }
    void cleanup() { m_fixture.reset(); }

    void windowOpensWithTheWholeCourseCollapsed()
    {
        StudyWindow& window = m_fixture->window();
        QCOMPARE(window.windowTitle(), QStringLiteral("Orlune V4.0"));
        QVERIFY(window.isMaximized() || window.windowState().testFlag(Qt::WindowMaximized));
        LessonTreeClicks::checkWholeCourse(m_fixture->tree());
        QCOMPARE(window.currentSentence(), -1);
        QVERIFY(window.sentenceView().text().isEmpty());
        QVERIFY(!window.player().hasMedia());
        QVERIFY(!actionEnabled(window, 1));
        QVERIFY(!actionEnabled(window, 2));
        QVERIFY(actionEnabled(window, 3));
    }

    void lessonClickLoadsTextListsWordsAndRecording()
    {
        StudyWindow& window = m_fixture->window();
        const CourseLesson course = readCourseLesson(1, 12);
        QVERIFY(course.sentences.size() >= 8);
        m_fixture->openLesson(1, 12);

        const SentenceTable& lists = window.sentences();
        QCOMPARE(lists.sentences, course.sentences);
        QCOMPARE(lists.translations, course.translations);
        QCOMPARE(lists.startTimes.size(), course.sentences.size());
        QCOMPARE(lists.endTimes.size(), course.sentences.size());
        QCOMPARE(lists.endTimes.last(), QString());
        for (int i = 1; i < lists.count(); ++i) {
            QVERIFY2(TimeText::seconds(lists.startTimes[i - 1]) <
                         TimeText::seconds(lists.startTimes[i]),
                     "start times must increase");
            QVERIFY(TimeText::seconds(lists.endTimes[i - 1]) <=
                    TimeText::seconds(lists.startTimes[i]));
        }

        // One paragraph per sentence, each followed by an empty one: sentence, CR LF CR LF.
        QString expected;
        for (const QString& s : course.sentences) {
            expected += s + QStringLiteral("\r\n\r\n");
        }
        QCOMPARE(window.sentenceView().text(), expected);
        auto* lessonText = window.findChild<QTextEdit*>(QStringLiteral("lessonText"));
        const QStringList blocks = paragraphs(lessonText);
        for (int i = 0; i < course.sentences.size(); ++i) {
            QCOMPARE(blocks[2 * i], course.sentences[i]);
            QCOMPARE(blocks[2 * i + 1], QString());
        }
        // Teal Arial 12 throughout, caret at 0, nothing selected.
        const QColor teal(0, 128, 128);
        QCOMPARE(window.sentenceView().colorAt(0), teal);
        QCOMPARE(window.sentenceView().colorAt(int(window.sentenceView().charText().size()) - 3),
                 teal);
        QCOMPARE(lessonText->textCursor().position(), 0);
        QVERIFY(!lessonText->textCursor().hasSelection());
        QTextCursor probe(lessonText->document());
        probe.setPosition(5);
        QCOMPARE(probe.charFormat().fontFamilies().toStringList().value(0),
                 QStringLiteral("Arial"));
        QCOMPARE(probe.charFormat().fontPointSize(), 12.0);

        auto* newWords = window.findChild<QPlainTextEdit*>(QStringLiteral("newWords"));
        QCOMPARE(newWords->toPlainText(), course.words.join(u'\n') + u'\n');
        QCOMPARE(labelText(window, QStringLiteral("translationLine")), StudyWindow::tipText());
        QCOMPARE(labelText(window, QStringLiteral("lessonTitle")), QStringLiteral("Lesson 12"));
        QVERIFY(window.findChild<QPlainTextEdit*>(QStringLiteral("currentSentence"))
                    ->toPlainText()
                    .isEmpty());
        QCOMPARE(window.currentSentence(), -1);
        QVERIFY(!window.continuousReading());

        QCOMPARE(QFileInfo(window.lessonAudioFile()).fileName(), QStringLiteral("QVN1012.dat"));
        const QString copy = QDir(m_fixture->tempPath()).filePath("sounenclff/QVN1012.mp3");
        QVERIFY(QFileInfo::exists(copy));
        QCOMPARE(window.player().url(), copy);
        QVERIFY(window.player().hasMedia());
        QCOMPARE(window.player().playState(), MediaPlayer::Stopped);
        QCOMPARE(window.player().controls().currentPosition(), 0.0);
        QVERIFY(actionEnabled(window, 1));
        QVERIFY(!actionEnabled(window, 2));
    }

    void repeatedSentencesStaySeparate()
    {
        StudyWindow& window = m_fixture->window();
        m_fixture->openLesson(1, 12);
        const QStringList& list = window.sentences().sentences;
        QString repeated;
        for (const QString& s : list) {
            if (list.count(s) > 1) {
                repeated = s;
            }
        }
        QVERIFY2(!repeated.isEmpty(), "the sample lesson repeats a sentence");
        QCOMPARE(list.count(repeated), 2);
        QVERIFY(std::any_of(list.begin(), list.end(), [&](const QString& s) {
            return s != repeated &&
                   QString(s).replace(QStringLiteral("  "), QStringLiteral(" ")) == repeated;
        }));
    }

    void bookClickClearsEverythingAndToggles()
    {
        StudyWindow& window = m_fixture->window();
        m_fixture->openLesson(1, 12);
        QVERIFY(m_fixture->bookNode(1)->isExpanded());

        m_fixture->click(m_fixture->bookNode(1));
        QVERIFY(!m_fixture->bookNode(1)->isExpanded());
        QVERIFY(window.sentenceView().text().isEmpty());
        QCOMPARE(window.sentences().count(), 0);
        QCOMPARE(window.sentences().translations.size() + window.sentences().startTimes.size() +
                     window.sentences().endTimes.size(),
                 0);
        QVERIFY(
            window.findChild<QPlainTextEdit*>(QStringLiteral("newWords"))->toPlainText().isEmpty());
        QCOMPARE(labelText(window, QStringLiteral("translationLine")), QString());
        QCOMPARE(labelText(window, QStringLiteral("lessonTitle")), QString());
        QCOMPARE(window.lessonAudioFile(), QString());
        QVERIFY(!window.player().hasMedia());
        QVERIFY(!actionEnabled(window, 1));
        QVERIFY(!actionEnabled(window, 2));
        QVERIFY(
            window.findChild<FaceButton*>(QStringLiteral("previousSentenceButton"))->isEnabled());
        QVERIFY(window.findChild<FaceButton*>(QStringLiteral("nextSentenceButton"))->isEnabled());

        m_fixture->click(m_fixture->bookNode(1));
        QVERIFY(m_fixture->bookNode(1)->isExpanded());
    }

    void lessonWithoutRecordingLoadsItsText()
    {
        StudyWindow& window = m_fixture->window();
        const CourseLesson course = readCourseLesson(2, 96);
        QVERIFY(!course.hasAudio);
        m_fixture->openLesson(2, 96);
        QCOMPARE(window.sentences().sentences, course.sentences);
        QVERIFY(!window.player().hasMedia());
        QCOMPARE(window.player().url(), QString());
        QVERIFY(!actionEnabled(window, 1));
        QCOMPARE(QFileInfo(window.lessonAudioFile()).fileName(), QStringLiteral("QVN2096.dat"));
    }

    void lessonsWithoutRowsOrWordsLoadEmpty()
    {
        StudyWindow& window = m_fixture->window();
        m_fixture->openLesson(1, 4);
        QVERIFY(window.sentences().count() > 0);
        QVERIFY(
            window.findChild<QPlainTextEdit*>(QStringLiteral("newWords"))->toPlainText().isEmpty());

        m_fixture->openLesson(1, 72);
        QCOMPARE(window.sentences().count(), 0);
        QVERIFY(window.sentenceView().text().isEmpty());
        QCOMPARE(labelText(window, QStringLiteral("lessonTitle")), QStringLiteral("Lesson 72"));
        QCOMPARE(labelText(window, QStringLiteral("translationLine")), StudyWindow::tipText());
        QVERIFY(!window.player().hasMedia());
    }

    void lastNodeAndReloadingTheSameLesson()
    {
        StudyWindow& window = m_fixture->window();
        m_fixture->openLesson(4, 48);
        QCOMPARE(QFileInfo(window.lessonAudioFile()).fileName(), QStringLiteral("QVN4048.dat"));
        QCOMPARE(labelText(window, QStringLiteral("lessonTitle")), QStringLiteral("Lesson 48"));
        QVERIFY(window.player().hasMedia());
        const QString copy = QDir(m_fixture->tempPath()).filePath("sounenclff/QVN4048.mp3");
        QFile::remove(copy);
        // Clicking the lesson already shown reloads it, recording copy included.
        m_fixture->openLesson(4, 48);
        QVERIFY(QFileInfo::exists(copy));
        QVERIFY(window.player().hasMedia());
        QCOMPARE(window.sentences().sentences, readCourseLesson(4, 48).sentences);
    }

    // The resumed sentence stands a third from the top with the text around it, not on the
    // bottom edge; one already in easy sight leaves the text where it is.
    void theResumedSentenceStandsWhereItIsEasyToRead()
    {
        StudyWindow& window = m_fixture->window();
        QTextEdit* text = window.sentenceView().widget();
        // A small window, as on a netbook: the lesson runs on below the view.
        window.showNormal();
        window.resize(900, 560);
        QTRY_COMPARE(window.width(), 900);
        m_fixture->openLesson(1, 12);
        const int height = text->viewport()->height();
        const auto blockTop = [&](int sentence) {
            const int at = int(
                window.sentenceView().charText().indexOf(window.sentences().sentence(sentence)));
            return text->document()
                ->documentLayout()
                ->blockBoundingRect(text->document()->findBlock(at))
                .top();
        };
        // The first sentence out of sight, with the text going on for a view below it.
        int low = 0;
        while (low < window.sentences().count() && blockTop(low) < height) {
            ++low;
        }
        QVERIFY2(text->document()->size().height() - blockTop(low) > height,
                 "the lesson is too short to scroll");
        const auto topOf = [&](int sentence) {
            return blockTop(sentence) - text->verticalScrollBar()->value();
        };
        window.practice().setLastPlace({1, 12, low});
        window.continueLastStudy();
        QCOMPARE(window.currentSentence(), low);
        QVERIFY2(topOf(low) >= height / 4 && topOf(low) <= height / 2,
                 qPrintable(QStringLiteral("%1 of %2").arg(topOf(low)).arg(height)));
        // The next sentence is in easy sight already: the text stays still.
        const int scrolled = text->verticalScrollBar()->value();
        window.findChild<QAction*>(QStringLiteral("key_next"))->trigger();
        QCOMPARE(window.currentSentence(), low + 1);
        QCOMPARE(text->verticalScrollBar()->value(), scrolled);
        // Near the top of the lesson the text starts at its beginning.
        window.practice().setLastPlace({1, 12, 1});
        window.continueLastStudy();
        QCOMPARE(text->verticalScrollBar()->value(), 0);
    }

    void enterOpensTheSelectedNode()
    {
        StudyWindow& window = m_fixture->window();
        QTreeWidget* tree = m_fixture->tree();
        tree->setFocus();
        tree->setCurrentItem(m_fixture->bookNode(2));
        QTest::keyClick(tree, Qt::Key_Return);
        QVERIFY(m_fixture->bookNode(2)->isExpanded());
        tree->setCurrentItem(m_fixture->lessonNode(2, 3));
        QTest::keyClick(tree, Qt::Key_Enter);
        QCOMPARE(labelText(window, QStringLiteral("lessonTitle")), QStringLiteral("Lesson 3"));
        QCOMPARE(window.sentences().sentences, readCourseLesson(2, 3).sentences);
    }

    void learnersLessonFillsAnEmptyLessonUntilRemoved()
    {
        StudyWindow& window = m_fixture->window();
        QTemporaryDir folder;
        window.learnerStore() = LearnerStore(folder.filePath(QStringLiteral("store")));
        window.refreshLessons();
        QTreeWidgetItem* filled = m_fixture->lessonNode(1, 1);
        QTreeWidgetItem* empty = m_fixture->lessonNode(1, 5);
        const auto greyed = [](QTreeWidgetItem* node) {
            return node->toolTip(0) == LessonTree::emptyLessonTip() &&
                   node->data(0, Qt::ForegroundRole).isValid();
        };
        QVERIFY(!greyed(filled));
        QVERIFY(greyed(empty));

        // A WAV under the copy's usual ".mp3" name: the player reads it by its content.
        const QString recording = folder.filePath(QStringLiteral("mine.wav"));
        QVERIFY(TestSignals::writeFile(recording, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1,
                                       TestSignals::noise(22050 * 3, 1, 7)));
        const auto store = [&](const QString& sentence) {
            QString error;
            QVERIFY2(window.learnerStore().importLesson(
                         {QStringLiteral("1"),
                          QStringLiteral("Lesson 5"),
                          {{sentence, QStringLiteral("我的"), QStringLiteral(".2"), QString()}},
                          {},
                          recording},
                         &error),
                     qPrintable(error));
        };
        // An empty lesson says how to fill it; an open lesson with text says nothing of it.
        const auto hint = [&] { return window.sentenceView().widget()->placeholderText(); };
        m_fixture->openLesson(1, 5);
        QVERIFY(window.sentences().isEmpty());
        QCOMPARE(hint(), LessonTree::emptyLessonTip());
        store(QStringLiteral("Mine."));
        window.refreshLessons(QStringLiteral("1"), QStringLiteral("Lesson 5"));
        QVERIFY(!greyed(empty));
        QCOMPARE(window.sentences().sentences, QStringList{QStringLiteral("Mine.")});
        QVERIFY(window.player().hasMedia());
        QVERIFY(hint().isEmpty());

        // Another lesson's change leaves the open one as it is; its own change reloads it.
        store(QStringLiteral("Changed."));
        window.refreshLessons(QStringLiteral("1"), QStringLiteral("Lesson 6"));
        QCOMPARE(window.sentences().sentences, QStringList{QStringLiteral("Mine.")});
        window.refreshLessons(QStringLiteral("1"), QStringLiteral("Lesson 5"));
        QCOMPARE(window.sentences().sentences, QStringList{QStringLiteral("Changed.")});

        // The import read to its end carries the learner's icon and a tick; removing the
        // import takes both away, and the tick stays away after a restart.
        QVERIFY(empty->data(0, LessonTree::importedRole).toBool());
        window.practice().markLessonRead(1, 5);
        qobject_cast<LessonTree*>(m_fixture->tree())->markRead(1, 5);
        QVERIFY(window.learnerStore().removeLesson(QStringLiteral("1"), QStringLiteral("Lesson 5"),
                                                   nullptr));
        window.importRemoved(QStringLiteral("1"), QStringLiteral("Lesson 5"));
        QVERIFY(greyed(empty));
        QVERIFY(!empty->data(0, LessonTree::importedRole).toBool());
        QVERIFY(!empty->data(0, LessonTree::readRole).toBool());
        QVERIFY(!window.practice().isLessonRead(1, 5));
        QVERIFY(window.sentences().isEmpty());
        QVERIFY(!window.player().hasMedia());
        QCOMPARE(hint(), LessonTree::emptyLessonTip());
        m_fixture->click(m_fixture->bookNode(1)); // a book click closes the lesson
        QVERIFY(hint().isEmpty());
        m_fixture->openLesson(1, 5);
        m_fixture->openLesson(1, 1);
        QVERIFY(hint().isEmpty());
    }

    // The word bars over text as the window shows it: whatever the marks, blanks or script,
    // nothing can be read while they are on, the text and its own formats stay as they were,
    // and text put in while they are on is hidden too.
    void wordBarsHideAnyTextAndChangeNothing_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<bool>("plainBox"); // the current sentence's box, else the lesson text
        QTest::newRow("plain words") << u"Excuse me! Is this your handbag?"_s << false;
        QTest::newRow("the current sentence in red")
            << u"<p>Pardon?</p><p><span style='color:#ff0000'>Is this your handbag?</span></p>"_s
            << false;
        QTest::newRow("a starred sentence's shade")
            << u"<p><span style='background-color:#ffeca0'>Yes, it is. Thank you.</span></p>"_s
            << false;
        QTest::newRow("tabs, wide blanks and breaks")
            << u"Yes,\tit\u3000is.\nThank you\u00a0very much."_s << true;
        QTest::newRow("Chinese without blanks") << u"这是您的手提包吗？"_s << false;
        QTest::newRow("the current sentence's box")
            << u"It is often said that children learn foreign languages more easily."_s << true;
    }

    void wordBarsHideAnyTextAndChangeNothing()
    {
        QFETCH(QString, html);
        QFETCH(bool, plainBox);
        QTextEdit rich;
        QPlainTextEdit plain;
        QWidget* box = plainBox ? static_cast<QWidget*>(&plain) : &rich;
        QTextDocument* document = plainBox ? plain.document() : rich.document();
        const auto put = [&] { plainBox ? plain.setPlainText(html) : rich.setHtml(html); };
        box->resize(400, 200);
        box->show();
        put();
        // Every character's own colours, as the document holds them.
        const auto formats = [&] {
            QStringList all;
            QTextCursor cursor(document);
            while (!cursor.atEnd()) {
                cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
                const QTextCharFormat format = cursor.charFormat();
                all << cursor.selectedText() + format.foreground().color().name() +
                           format.background().color().name();
                cursor.clearSelection();
            }
            return all;
        };
        QWidget* viewport = plainBox ? plain.viewport() : rich.viewport();
        const QString text = document->toPlainText();
        const QStringList before = formats();
        QVERIFY(inkedPixels(viewport) > 0);

        TextMask mask({document});
        QVERIFY(inkedPixels(viewport) > 0);
        mask.setMasked(true);
        QCOMPARE(inkedPixels(viewport), 0);
        QCOMPARE(document->toPlainText(), text);
        QCOMPARE(formats(), before);
        put(); // another lesson or sentence while hidden
        QCOMPARE(inkedPixels(viewport), 0);
        mask.setMasked(true);
        QCOMPARE(inkedPixels(viewport), 0);
        mask.setMasked(false);
        QVERIFY(inkedPixels(viewport) > 0);
        QCOMPARE(formats(), before);
    }

private:
    std::unique_ptr<StudyFixture> m_fixture;
};

ORLUNE_TEST_MAIN(TestStudyWindowLessons)

#include "tst_studywindow_lessons.moc"

#include <QApplication>
