#include "monitorcapture.h"
#include "study/lookuppopup.h"
#include "study/studywindow.h"
#include "study/studywindowlayout.h"
#include "study/wordspeaker.h"
#include "studyfixture.h"
#include "testaudio.h"
#include "testmain.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>

namespace {

// The middle of the character at `position` of a text box, in its viewport's coordinates.
template <typename Edit> QPoint pointAt(Edit* edit, int position)
{
    QTextCursor cursor(edit->document());
    cursor.setPosition(position);
    const QRect before = edit->cursorRect(cursor);
    cursor.setPosition(position + 1);
    const QRect after = edit->cursorRect(cursor);
    const int x =
        after.top() == before.top() ? (before.left() + after.left()) / 2 : before.left() + 2;
    return {x, before.center().y()};
}

} // namespace

class TestStudyWindowLookup : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_fixture = std::make_unique<StudyFixture>();
        m_fixture->openLesson(1, 1);
        m_r1 = window().findChild<QTextEdit*>(QStringLiteral("lessonText"));
        m_r2 = window().findChild<QPlainTextEdit*>(QStringLiteral("currentSentence"));
        m_r3 = window().findChild<QPlainTextEdit*>(QStringLiteral("newWords"));
        m_popup = window().popup();
    }
    void cleanup() { m_fixture.reset(); }

    void rightPressOnTheLessonTextShowsTheEntryWhileHeld()
    {
        const QString text = window().sentenceView().charText();
        const int at = int(text.indexOf(QStringLiteral("umbrella")));
        QVERIFY(at >= 0);
        const int caret = m_r1->textCursor().position();
        const int spoken = window().speaker().spokenCount();

        // Pointing at the first letter picks the word too.
        const QPoint point = pointAt(m_r1, at);
        QTest::mousePress(m_r1->viewport(), Qt::RightButton, {}, point);
        QVERIFY(m_popup->isVisible());
        QCOMPARE(label(QStringLiteral("headword")), QStringLiteral("umbrella"));
        QVERIFY(!label(QStringLiteral("transcription")).isEmpty());
        QVERIFY(label(QStringLiteral("meaning")).contains(QStringLiteral("伞")));
        QLabel* open = m_popup->findChild<QLabel*>(QStringLiteral("openBracket"));
        QLabel* close = m_popup->findChild<QLabel*>(QStringLiteral("closeBracket"));
        QLabel* ipa = m_popup->findChild<QLabel*>(QStringLiteral("transcription"));
        QVERIFY(open->isVisible() && close->isVisible());
        QVERIFY(close->x() >= ipa->x() + ipa->width());
        QCOMPARE(m_popup->pos(), m_r1->pos() + point + QPoint(10, 10));
        // Every line of the meaning (umbrella's has three) stands inside the popup, and the
        // popup inside the window.
        QLabel* meaning = m_popup->findChild<QLabel*>(QStringLiteral("meaning"));
        QVERIFY(meaning->height() >= meaning->heightForWidth(meaning->width()));
        QVERIFY(m_popup->rect().contains(meaning->geometry()));
        QVERIFY(m_popup->rect().contains(close->geometry()));
        QVERIFY(window().centralWidget()->rect().contains(m_popup->geometry()));
        if (window().speaker().isAvailable()) {
            QCOMPARE(window().speaker().spokenCount(), spoken + 1);
        }
        QTest::mouseRelease(m_r1->viewport(), Qt::RightButton, {}, point);
        QVERIFY(!m_popup->isVisible());
        QCOMPARE(window().currentSentence(), -1);
        QCOMPARE(m_r1->textCursor().position(), caret);
    }

    // These once stayed silent: the speech engine's own output gave up on them.
    void everyHeadwordIsHeardAtTheSink()
    {
        if (!TestAudio::pulseAvailable()) {
            QSKIP("no PulseAudio server: start one with tools/start-pulse.sh");
        }
        QVERIFY(window().speaker().isAvailable());
        const QStringList words{QStringLiteral("apple"),    QStringLiteral("apples"),
                                QStringLiteral("orange"),   QStringLiteral("oranges"),
                                QStringLiteral("umbrella"), QStringLiteral("psychologist"),
                                QStringLiteral("two"),      QStringLiteral("afternoon")};
        for (const QString& word : words) {
            m_r2->setPlainText(word);
            MonitorCapture capture;
            QVERIFY2(capture.start(), qPrintable(capture.errorString()));
            QTest::qWait(200);
            QTest::mousePress(m_r2->viewport(), Qt::LeftButton, {}, pointAt(m_r2, 1));
            QVERIFY2(m_popup->isVisible(), qPrintable(word));
            QTest::mouseRelease(m_r2->viewport(), Qt::LeftButton, {}, pointAt(m_r2, 1));
            MediaPlayer& player = window().speaker().player();
            QTRY_COMPARE_WITH_TIMEOUT(player.playState(), MediaPlayer::Stopped, 5000);
            const std::vector<qint16> heard = capture.stop();
            // A word sounds for a fifth of a second at least; quiet frames do not count.
            const qint64 loud = TestAudio::countNonSilentFrames(heard, 300);
            qInfo("%s: %.3f s heard", qPrintable(word), double(loud) / 44100);
            QVERIFY2(loud > 44100 / 5, qPrintable(word));
        }
    }

    void theOtherButtonShowsNothing()
    {
        const int at = int(window().sentenceView().charText().indexOf(QStringLiteral("umbrella")));
        QTest::mousePress(m_r1->viewport(), Qt::LeftButton, {}, pointAt(m_r1, at + 2));
        QVERIFY(!m_popup->isVisible());
        QTest::mouseRelease(m_r1->viewport(), Qt::LeftButton, {}, pointAt(m_r1, at + 2));
        window().player().controls().stop();

        const int word = int(m_r3->toPlainText().indexOf(QStringLiteral("umbrella")));
        QTest::mousePress(m_r3->viewport(), Qt::RightButton, {}, pointAt(m_r3, word + 1));
        QVERIFY(!m_popup->isVisible());
        QTest::mouseRelease(m_r3->viewport(), Qt::RightButton, {}, pointAt(m_r3, word + 1));
    }

    void nearTheRightEdgeThePopupStaysInside()
    {
        using namespace StudyWindowLayout;
        QWidget* client = window().centralWidget();
        const QPoint point(m_r1->viewport()->width() - 4, pointAt(m_r1, 1).y());
        QTest::mousePress(m_r1->viewport(), Qt::RightButton, {}, point);
        const int W = toTwips(client->width()) + frameWidth;
        const int expected = toPixels(W - toTwips(m_popup->width()) - 200);
        QCOMPARE(m_popup->x(), expected);
        QTest::mouseRelease(m_r1->viewport(), Qt::RightButton, {}, point);
    }

    void currentSentenceBoxLooksUpWithTheLeftButton()
    {
        const int index =
            int(window().sentences().sentences.indexOf(QStringLiteral("Look at the window.")));
        QVERIFY(index >= 0);
        window().showSentenceTexts(index);
        const QString sentence = m_r2->toPlainText();
        // The last word, pointed at on its full stop, is still that word.
        const int end = int(sentence.size()) - 1;
        QTest::mousePress(m_r2->viewport(), Qt::LeftButton, {}, pointAt(m_r2, end));
        QVERIFY(m_popup->isVisible());
        QCOMPARE(label(QStringLiteral("headword")), QStringLiteral("window"));
        QCOMPARE(window().currentSentence(), -1);
        QTest::mouseRelease(m_r2->viewport(), Qt::LeftButton, {}, pointAt(m_r2, end));
        QVERIFY(!m_popup->isVisible());
    }

    void wordListLooksUpTheWordNotItsMeaning()
    {
        const QString words = m_r3->toPlainText();
        const int at = int(words.indexOf(QStringLiteral("umbrella /n.伞")));
        QVERIFY(at >= 0);
        QTest::mousePress(m_r3->viewport(), Qt::LeftButton, {}, pointAt(m_r3, at + 3));
        QVERIFY(m_popup->isVisible());
        QCOMPARE(label(QStringLiteral("headword")), QStringLiteral("umbrella"));
        QTest::mouseRelease(m_r3->viewport(), Qt::LeftButton, {}, pointAt(m_r3, at + 3));
        QVERIFY(!m_popup->isVisible());

        // "伞" is not a headword: nothing shows.
        QTest::mousePress(m_r3->viewport(), Qt::LeftButton, {}, pointAt(m_r3, at + 12));
        QVERIFY(!m_popup->isVisible());
        QTest::mouseRelease(m_r3->viewport(), Qt::LeftButton, {}, pointAt(m_r3, at + 12));
    }

    void lowInTheWordListThePopupIsLifted()
    {
        using namespace StudyWindowLayout;
        QWidget* client = window().centralWidget();
        // Below the last line the box reports the text's end: its last word is looked up.
        const QPoint low(20, m_r3->viewport()->height() - 3);
        QTest::mousePress(m_r3->viewport(), Qt::LeftButton, {}, low);
        const int H = toTwips(client->height()) + frameHeight;
        const int unlifted = toTwips(m_r3->y() + low.y()) + 150;
        QVERIFY(unlifted > H - 1800);
        QCOMPARE(m_popup->y(), toPixels(H - 1800));
        QCOMPARE(m_popup->x(), toPixels(toTwips(m_r3->x() + low.x()) + 150));
        QTest::mouseRelease(m_r3->viewport(), Qt::LeftButton, {}, low);
    }

    void placementAndSpeechFollowTheBoxAndTheHeadword()
    {
        using namespace StudyWindowLayout;
        QWidget* client = window().centralWidget();
        const int W = toTwips(client->width()) + frameWidth;
        m_r2->setPlainText(QStringLiteral("Two umbrellas and a qzxv."));
        const int spoken = window().speaker().spokenCount();

        // The current-sentence box keeps the popup inside on the right...
        QTest::mousePress(m_r2->viewport(), Qt::LeftButton, {}, pointAt(m_r2, 6));
        QCOMPARE(label(QStringLiteral("headword")), QStringLiteral("umbrella"));
        QCOMPARE(window().speaker().lastRequested(), QStringLiteral("umbrella"));
        const QPoint right(m_r2->viewport()->width() - 4, pointAt(m_r2, 6).y());
        QTest::mouseRelease(m_r2->viewport(), Qt::LeftButton, {}, pointAt(m_r2, 6));
        QTest::mousePress(m_r2->viewport(), Qt::LeftButton, {}, right);
        QCOMPARE(m_popup->x(), toPixels(W - toTwips(m_popup->width()) - 200));
        QTest::mouseRelease(m_r2->viewport(), Qt::LeftButton, {}, right);
        // ...and a word the dictionary lacks shows and says nothing.
        const int requested = window().speaker().spokenCount();
        QTest::mousePress(m_r2->viewport(), Qt::LeftButton, {}, pointAt(m_r2, 21));
        QVERIFY(!m_popup->isVisible());
        QCOMPARE(window().speaker().spokenCount(), requested);
        QCOMPARE(window().speaker().lastRequested(), QStringLiteral("umbrella"));
        QTest::mouseRelease(m_r2->viewport(), Qt::LeftButton, {}, pointAt(m_r2, 21));
        QVERIFY(window().speaker().spokenCount() >= spoken);

        // The word list only lifts the popup; at its right edge it is not pulled back.
        const QPoint edge(m_r3->viewport()->width() - 4, pointAt(m_r3, 1).y());
        QTest::mousePress(m_r3->viewport(), Qt::LeftButton, {}, edge);
        QCOMPARE(m_popup->x(), toPixels(toTwips(m_r3->x() + edge.x()) + 150));
        // A resize while the popup is open leaves it where the pointer put it.
        const QPoint opened = m_popup->pos();
        window().resize(window().size() + QSize(120, 80));
        QCoreApplication::processEvents();
        QCOMPARE(m_popup->pos(), opened);
        QTest::mouseRelease(m_r3->viewport(), Qt::LeftButton, {}, edge);
    }

private:
    StudyWindow& window() { return m_fixture->window(); }
    QString label(const QString& name) { return m_popup->findChild<QLabel*>(name)->text(); }

    std::unique_ptr<StudyFixture> m_fixture;
    QTextEdit* m_r1 = nullptr;
    QPlainTextEdit* m_r2 = nullptr;
    QPlainTextEdit* m_r3 = nullptr;
    LookupPopup* m_popup = nullptr;
};

ORLUNE_TEST_MAIN(TestStudyWindowLookup)

#include "tst_studywindow_lookup.moc"

#include <QApplication>
