#include "align/timedtext.h"
#include "audio/decodedaudio.h"
#include "audio/framesource.h"
#include "collection/exportdialog.h"
#include "collection/notebookwindow.h"
#include "dictation/dictationwindow.h"
#include "lessons/starredsentences.h"
#include "lessons/wordnotebook.h"
#include "monitorcapture.h"
#include "study/lookuppopup.h"
#include "study/starredreading.h"
#include "study/starshade.h"
#include "study/studycollection.h"
#include "study/studywindow.h"
#include "studyfixture.h"
#include "testaudio.h"
#include "testmain.h"
#include "widgets/facebutton.h"
#include "widgets/lessontree.h"

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

QPoint pointAt(QTextEdit* edit, int position)
{
    QTextCursor cursor(edit->document());
    cursor.setPosition(position);
    const QRect before = edit->cursorRect(cursor);
    return {before.left() + 3, before.center().y()};
}

void clickSentence(StudyWindow& window, int i)
{
    auto* text = window.findChild<QTextEdit*>(u"lessonText"_s);
    int position = 1;
    for (int j = 0; j < i; ++j) {
        position += int(window.sentences().sentence(j).size()) + 2;
    }
    QTextCursor cursor(text->document());
    cursor.setPosition(position);
    QTest::mouseClick(text->viewport(), Qt::LeftButton, {},
                      text->cursorRect(cursor).center() + QPoint(3, 0));
}

// The sentences the lesson text shades as starred, by their text.
QStringList shadedSentences(StudyWindow& window)
{
    QStringList shaded;
    QTextEdit* text = window.sentenceView().widget();
    if (auto* shade = text->findChild<StarShade*>()) {
        for (const int number : shade->blocks()) {
            shaded << text->document()->findBlockByNumber(number).text();
        }
    }
    return shaded;
}

} // namespace

class TestStudyWindowCollection : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_fixture = std::make_unique<StudyFixture>();
        m_fixture->openLesson(1, 1);
        m_notices.clear();
        window().prompts().notify = [this](const QString& text) { m_notices << text; };
    }
    void cleanup() { m_fixture.reset(); }

    // The popup says how to keep the word; the key keeps it with the sentence it was pressed
    // in, and only while the popup shows; the popup still goes with the button.
    void theKeyKeepsTheWordUnderThePopup()
    {
        auto* text = window().findChild<QTextEdit*>(u"lessonText"_s);
        const QString chars = window().sentenceView().charText();
        // The lesson holds the word twice: the later sentence is the one it was pressed in.
        const int at = int(chars.lastIndexOf(u"umbrella"_s));
        QVERIFY(chars.indexOf(u"umbrella"_s) < at);
        QVERIFY(at >= 0);
        const QString sentence = window().sentenceView().paragraphText(at);

        QTest::keyClick(text, Qt::Key_A);
        QVERIFY(notebook().isEmpty());

        QTest::mousePress(text->viewport(), Qt::RightButton, {}, pointAt(text, at));
        LookupPopup* popup = window().popup();
        QVERIFY(popup->isVisible());
        auto* hint = popup->findChild<QLabel*>(u"notebookHint"_s);
        QVERIFY(hint->isVisible());
        QCOMPARE(hint->text(), u"按 A 键加入生词本"_s);
        QVERIFY(hint->geometry().bottom() <= popup->height());
        QVERIFY(hint->y() >= popup->findChild<QLabel*>(u"meaning"_s)->geometry().bottom() - 2);
        QTest::keyClick(text, Qt::Key_A);
        QVERIFY(hint->text().contains(u"已加入"_s));
        QTest::mouseRelease(text->viewport(), Qt::RightButton, {}, pointAt(text, at));
        QVERIFY(!popup->isVisible());
        QCOMPARE(window().currentSentence(), -1);

        m_fixture->reopen();
        m_fixture->openLesson(1, 1);
        const QList<NotebookWord> kept = notebook();
        QCOMPARE(kept.size(), 1);
        QCOMPARE(kept[0].headword, u"umbrella"_s);
        QVERIFY(!kept[0].phonetic.isEmpty());
        QVERIFY(kept[0].meaning.contains(u"伞"_s));
        QCOMPARE(kept[0].sentence, sentence);
        QCOMPARE(kept[0].book, 1);
        QCOMPARE(kept[0].lesson, 1);
        QCOMPARE(window().sentences().sentence(kept[0].sentenceIndex), sentence);

        NotebookWindow* notebookWindow = collection().openNotebook();
        QCOMPARE(notebookWindow->table()->rowCount(), 1);
        QCOMPARE(notebookWindow->table()->item(0, 3)->text(), sentence);
        notebookWindow->table()->selectRow(0);
        notebookWindow->removeSelected();
        QCOMPARE(notebookWindow->table()->rowCount(), 0);
        QVERIFY(notebook().isEmpty());
    }

    // The key and the current sentence's menu star and unstar; the star shades the sentence
    // and outlives the window.
    void starsFollowTheCurrentSentenceAndSurviveARestart()
    {
        QVERIFY(window().sentences().count() >= 3);
        clickSentence(window(), 2);
        QCOMPARE(window().currentSentence(), 2);
        QTest::keyClick(&window(), Qt::Key_D, Qt::ControlModifier);
        clickSentence(window(), 0);
        QTest::keyClick(&window(), Qt::Key_D, Qt::ControlModifier);
        QTest::keyClick(&window(), Qt::Key_D, Qt::ControlModifier);
        QVERIFY(collection().isStarred(2));
        QVERIFY(!collection().isStarred(0));
        QCOMPARE(shadedSentences(window()), QStringList{window().sentences().sentence(2)});

        m_fixture->reopen();
        m_fixture->openLesson(1, 1);
        QCOMPARE(shadedSentences(window()), QStringList{window().sentences().sentence(2)});
        m_fixture->openLesson(1, 2);
        QVERIFY(shadedSentences(window()).isEmpty());
        QVERIFY(m_notices.isEmpty());
    }

    // A starred sentence is shaded on every line it takes in the lesson text, wrapped or not,
    // and no other sentence is; with the text hidden, the shade leaves the current sentence's
    // red word bars in sight.
    void aStarredSentenceIsShadedOnEveryLine_data()
    {
        QTest::addColumn<int>("book");
        QTest::addColumn<int>("lesson");
        QTest::addColumn<int>("sentence");
        QTest::addColumn<bool>("hidden");
        QTest::newRow("a sentence of one line") << 1 << 1 << 2 << false;
        QTest::newRow("a sentence that wraps") << 4 << 3 << 0 << false;
        QTest::newRow("the last sentence, wrapped") << 4 << 3 << -1 << false;
        QTest::newRow("one line, text hidden") << 1 << 1 << 2 << true;
        QTest::newRow("wrapped, text hidden") << 4 << 3 << 0 << true;
    }

    void aStarredSentenceIsShadedOnEveryLine()
    {
        QFETCH(int, book);
        QFETCH(int, lesson);
        QFETCH(int, sentence);
        QFETCH(bool, hidden);
        m_fixture->openLesson(book, lesson);
        if (hidden) {
            window().findChild<QAction*>(u"隐藏原文"_s)->trigger();
        }
        if (sentence < 0) {
            sentence = window().sentences().count() - 1;
        }
        clickSentence(window(), sentence);
        window().player().controls().stop();
        QTest::keyClick(&window(), Qt::Key_D, Qt::ControlModifier);
        QVERIFY(collection().isStarred(sentence));
        auto* text = window().findChild<QTextEdit*>(u"lessonText"_s);
        // The text sits where the learner would see the starred sentence.
        QTextCursor cursor(text->document());
        int lines = 0;
        int wrapped = 0;
        for (QTextBlock block = text->document()->begin(); block.isValid(); block = block.next()) {
            const bool starred = block.text() == window().sentences().sentence(sentence);
            // The whole paragraph in sight: its end first, then its start.
            for (const int at : {block.position() + block.length() - 1, block.position()}) {
                cursor.setPosition(at);
                text->setTextCursor(cursor);
                text->ensureCursorVisible();
            }
            const QImage image = text->viewport()->grab().toImage();
            for (int line = 0; line < block.layout()->lineCount(); ++line) {
                cursor.setPosition(block.position() + block.layout()->lineAt(line).textStart());
                const QRect at = text->cursorRect(cursor);
                QVERIFY(text->viewport()->rect().contains(at));
                // Between and beside the words, where only a shade colours the page.
                int shaded = 0;
                for (int x = 0; x < image.width(); ++x) {
                    shaded += image.pixelColor(x, at.center().y()) == QColor(255, 236, 160);
                }
                QVERIFY2((shaded > 0) == starred,
                         qPrintable(u"line %1 of \"%2\": %3 pixels shaded"_s.arg(line + 1)
                                        .arg(block.text())
                                        .arg(shaded)));
                if (hidden && starred) {
                    int redBars = 0;
                    for (int x = 0; x < image.width(); ++x) {
                        redBars += image.pixelColor(x, at.center().y()) == QColor(240, 170, 170);
                    }
                    QVERIFY2(redBars > 0, qPrintable(u"line %1: no red bar"_s.arg(line + 1)));
                }
                lines += starred ? 1 : 0;
            }
            wrapped = starred ? block.layout()->lineCount() : wrapped;
        }
        QCOMPARE(lines, wrapped);
        QCOMPARE(wrapped > 1, book > 1);
    }

    // What the learner asked for is written, an existing file only when they say so, and a
    // folder that cannot be written says why without closing anything.
    void theExportDialogAsksAndTells()
    {
        ExportDialog* dialog = collection().openExport();
        QTemporaryDir target;
        const QString deck = target.filePath(u"lesson.apkg"_s);
        dialog->setTarget(deck);
        int asked = 0;
        QVERIFY(dialog->exportNow([&](const QString&) { return ++asked, false; }));
        QCOMPARE(asked, 0);
        QVERIFY(dialog->summaryText().contains(u"已导出"_s));
        const qint64 size = QFileInfo(deck).size();
        QVERIFY(size > 1000);

        QFile::resize(deck, 10);
        QVERIFY(!dialog->exportNow([&](const QString&) { return ++asked, false; }));
        QCOMPARE(asked, 1);
        QCOMPARE(QFileInfo(deck).size(), 10);
        QVERIFY(dialog->exportNow([&](const QString&) { return ++asked, true; }));
        QVERIFY(QFileInfo(deck).size() > size / 2);

        QFile blocker(target.filePath(u"file"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        dialog->setTarget(target.filePath(u"file/deck.apkg"_s));
        QVERIFY(!dialog->exportNow([](const QString&) { return true; }));
        QVERIFY(dialog->summaryText().contains(u"无法写入"_s));

        dialog->setContent(ExportDialog::Starred);
        dialog->setTarget(target.filePath(u"starred.apkg"_s));
        QVERIFY(!dialog->exportNow([](const QString&) { return true; }));
        QVERIFY(dialog->summaryText().contains(u"还没有星标句"_s));

        QFile store(window().learnerStore().databasePath());
        QDir().mkpath(QFileInfo(store).absolutePath());
        QVERIFY(store.open(QIODevice::WriteOnly));
        store.write(QByteArray(2048, 'x'));
        store.close();
        dialog->setContent(ExportDialog::Notebook);
        dialog->setFormat(ExportDialog::Text);
        dialog->setTarget(target.filePath(u"words.txt"_s));
        QVERIFY(!dialog->exportNow([](const QString&) { return true; }));
        QVERIFY(dialog->summaryText().contains(u"无法读取生词本"_s));
        QVERIFY(!QFile::exists(target.filePath(u"words.txt"_s)));
        // A lesson's subtitles: one line a sentence, with both texts, read back as an import
        // reads them; not offered for the starred sentences, whose times belong to many
        // recordings.
        for (const ExportDialog::Format format : {ExportDialog::Lrc, ExportDialog::Srt}) {
            dialog->setContent(ExportDialog::Lesson);
            dialog->setTarget(target.filePath(u"orlune-1-1.apkg"_s));
            dialog->setFormat(format);
            dialog->setLesson(1, 1);
            QVERIFY2(dialog->exportNow([](const QString&) { return true; }),
                     qPrintable(dialog->summaryText()));
            QFile subtitles(target.filePath(format == ExportDialog::Lrc ? u"orlune-1-1.lrc"_s
                                                                        : u"orlune-1-1.srt"_s));
            QVERIFY(subtitles.open(QIODevice::ReadOnly));
            const TimedText::Parsed read = TimedText::parse(QString::fromUtf8(subtitles.readAll()));
            const SentenceTable& table = window().sentences();
            QCOMPARE(read.lines.size(), table.count());
            for (int i = 0; i < table.count(); ++i) {
                QCOMPARE(read.lines[i].english, table.sentence(i));
                QCOMPARE(read.lines[i].chinese, table.translation(i));
                QVERIFY(std::abs(read.lines[i].start - table.startTime(i)) <= 0.010);
            }
        }
        dialog->setContent(ExportDialog::Starred);
        auto* formats = dialog->findChild<QComboBox*>(u"exportFormat"_s);
        QCOMPARE(formats->currentIndex(), int(ExportDialog::AnkiDeck));

        // The dialog answers while the deck is cut, and a cancel leaves no file.
        dialog->setContent(ExportDialog::Lesson);
        dialog->setTarget(target.filePath(u"cancelled.apkg"_s));
        dialog->setFormat(ExportDialog::AnkiDeck);
        QSignalSpy finished(dialog, &ExportDialog::exportFinished);
        QVERIFY(dialog->startExport([](const QString&) { return true; }));
        QVERIFY(dialog->isExporting());
        QVERIFY(dialog->findChild<QProgressBar*>(u"exportProgress"_s)->isVisible());
        QTest::mouseClick(dialog->findChild<QPushButton*>(u"exportCancel"_s), Qt::LeftButton);
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.first().first().toBool(), false);
        QVERIFY2(dialog->summaryText().contains(u"已取消"_s), qPrintable(dialog->summaryText()));
        QVERIFY(!QFile::exists(target.filePath(u"cancelled.apkg"_s)));
        QCOMPARE(QDir(target.path()).entryList(QDir::Files).filter(u"cancelled"_s), QStringList());

        // The lesson itself still opens and plays its sentences.
        m_fixture->openLesson(1, 2);
        QVERIFY(window().sentences().count() > 0);
    }

    // Across lessons, in course order, each starred sentence's own frames and no other's.
    void starredOnlyPlaysExactlyTheStarredSentences()
    {
        if (!TestAudio::pulseAvailable()) {
            QSKIP("no PulseAudio server: start one with tools/start-pulse.sh");
        }
        StarredSentences stars(window().learnerStore().databasePath());
        QString error;
        for (const StarredSentence& s :
             QList<StarredSentence>{{1, 2, 1, {}}, {1, 1, 3, {}}, {1, 1, 0, {}}}) {
            QVERIFY(stars.setStarred(s, true, &error));
        }
        MediaPlayer& player = window().player();
        // Which sentence played, and each lesson's sentences and recording as it played.
        struct Lesson
        {
            SentenceTable table;
            QString recording;
        };
        QMap<int, Lesson> lessons;
        QList<std::pair<int, int>> played;
        QObject::connect(
            &player, &MediaPlayer::playStateChanged, &window(), [&](MediaPlayer::PlayState state) {
                if (state == MediaPlayer::Playing) {
                    played.append({window().lessonNumber(), window().currentSentence()});
                    lessons[window().lessonNumber()] = {window().sentences(),
                                                        window().lessonAudioFile()};
                }
            });
        MonitorCapture capture;
        QVERIFY2(capture.start(), qPrintable(capture.errorString()));
        QTest::qWait(300);
        window().findChild<QAction*>(u"只练星标句"_s)->trigger();
        QVERIFY(collection().starredReading().isActive());
        QTRY_VERIFY_WITH_TIMEOUT(!collection().starredReading().isActive(), 30000);
        const std::vector<qint16> heard = capture.stop();

        // Every sentence of both lessons as the player sends it: the starred ones in order, no
        // other.
        QStringList order;
        for (const auto& [lesson, sentence] : played) {
            order << u"%1/%2"_s.arg(lesson).arg(sentence);
        }
        QCOMPARE(order, (QStringList{u"1/0"_s, u"1/3"_s, u"2/1"_s}));
        qint64 last = -1;
        for (auto it = lessons.cbegin(); it != lessons.cend(); ++it) {
            const DecodedAudio audio = DecodedAudio::fromFile(it->recording);
            const int rate = audio.sampleRate();
            for (int i = 0; i < it->table.count(); ++i) {
                const qint64 first = MediaPlayer::startFrame(it->table.startTime(i), rate);
                const qint64 stop = it->table.endPosition(i) < 0
                                        ? audio.frameCount()
                                        : MediaPlayer::stopFrame(it->table.endPosition(i), rate);
                std::vector<qint16> frames(audio.samples().begin() + first * 2,
                                           audio.samples().begin() + stop * 2);
                FrameSource::applyVolume(frames, MediaPlayer::lessonVolume);
                const qint64 at = TestAudio::findFrames(heard, frames);
                const QString name = u"%1/%2"_s.arg(it.key()).arg(i);
                QCOMPARE(at >= 0, order.contains(name));
                if (order.contains(name)) {
                    QVERIFY2(at > last, qPrintable(name));
                    last = at;
                }
            }
        }
        // The choice stays, for the dictation opened next.
        QVERIFY(window().findChild<QAction*>(u"只练星标句"_s)->isChecked());
    }

    // While "只练星标句" is chosen, the dictation goes through the starred sentences of every
    // lesson in course order, each played from its own start; a lesson picked in the dictation
    // window's tree ends that.
    void starredOnlyDictatesExactlyTheStarredSentences()
    {
        StarredSentences stars(window().learnerStore().databasePath());
        QString error;
        // The lesson no longer holds a sentence 99 (imported anew since, say): passed over.
        for (const StarredSentence& s :
             QList<StarredSentence>{{1, 2, 1, {}}, {1, 1, 99, {}}, {1, 1, 3, {}}, {1, 1, 0, {}}}) {
            QVERIFY(stars.setStarred(s, true, &error));
        }
        window().findChild<QAction*>(u"只练星标句"_s)->trigger();
        QVERIFY(collection().starredReading().isActive());
        auto* caption = window().findChild<QWidget*>(u"dictationCaption"_s);
        QTest::mouseClick(caption, Qt::LeftButton, {}, caption->rect().center());
        auto* dictation = qobject_cast<DictationWindow*>(window().dictationWindow());
        QVERIFY(dictation);
        QVERIFY(!collection().starredReading().isActive());
        QVERIFY(dictation->isDictatingList());
        QVERIFY(dictation->windowTitle().contains(u"星标"_s));
        const auto button = [&](const QString& name) {
            return dictation->findChild<FaceButton*>(name + u"Button"_s);
        };
        const auto click = [&](const QString& name) {
            QTest::mouseClick(button(name), Qt::LeftButton, {}, button(name)->rect().center());
        };
        // Where the dictation stands: "lesson/sentence", and whether the player started there.
        const auto standing = [&] {
            auto* tree = dictation->findChild<QTreeWidget*>(u"lessonTree"_s);
            return u"%1/%2"_s.arg(LessonTree::lessonOf(tree->currentItem()))
                .arg(dictation->currentSentence());
        };
        QCOMPARE(standing(), u"1/0"_s);
        auto* position = dictation->findChild<QLabel*>(u"listPosition"_s);
        QVERIFY(position->isVisible());
        QVERIFY(position->text().contains(u"第 1 句，共 4 句"_s));
        QVERIFY(!button(u"previous"_s)->isEnabled());
        QStringList visited{standing()};
        while (button(u"next"_s)->isEnabled()) {
            click(u"next"_s);
            visited << standing();
            const SentenceTable& table = dictation->sentences();
            QVERIFY(std::abs(window().player().controls().currentPosition() -
                             table.startTime(dictation->currentSentence())) < 0.3);
        }
        QCOMPARE(visited, (QStringList{u"1/0"_s, u"1/3"_s, u"2/1"_s}));
        QVERIFY(button(u"previous"_s)->isEnabled());
        click(u"previous"_s);
        QCOMPARE(standing(), u"1/3"_s);

        auto* tree = dictation->findChild<QTreeWidget*>(u"lessonTree"_s);
        LessonTreeClicks::click(tree, LessonTreeClicks::lessonNode(tree, 1, 4));
        QVERIFY(!dictation->isDictatingList());
        QVERIFY(!position->isVisible());
        QCOMPARE(standing(), u"4/0"_s);
        dictation->close();
        QVERIFY(m_notices.isEmpty());
    }

    // A mistaken dictation stars its sentence while the option is on, and only then.
    void dictationMistakesStarWhenChosen()
    {
        QAction* option = window().findChild<QAction*>(u"听写出错时标为难句"_s);
        QVERIFY(option->isChecked());
        const struct
        {
            bool optionOn;
            int sentence;
            bool mistaken;
            bool starred;
        } cases[] = {{true, 1, true, true}, {true, 2, false, false}, {false, 3, true, false}};
        for (const auto& c : cases) {
            option->setChecked(c.optionOn);
            collection().dictationAnswered(1, 1, c.sentence, u"s"_s, c.mistaken);
            QCOMPARE(collection().isStarred(c.sentence), c.starred);
            QCOMPARE(StarredSentences(window().learnerStore().databasePath())
                         .inLesson(1, 1)
                         .contains(c.sentence),
                     c.starred);
        }
        m_fixture->reopen();
        QVERIFY(!window().findChild<QAction*>(u"听写出错时标为难句"_s)->isChecked());
    }

private:
    StudyWindow& window() { return m_fixture->window(); }
    StudyCollection& collection() { return *window().findChild<StudyCollection*>(); }
    QList<NotebookWord> notebook()
    {
        return WordNotebook(window().learnerStore().databasePath()).words();
    }

    std::unique_ptr<StudyFixture> m_fixture;
    QStringList m_notices;
};

ORLUNE_TEST_MAIN(TestStudyWindowCollection)
#include "tst_studywindow_collection.moc"
