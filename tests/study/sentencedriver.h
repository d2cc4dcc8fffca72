#pragma once

#include "study/studywindow.h"
#include "studyfixture.h"
#include "widgets/facebutton.h"

#include <QColor>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>

// The lessons and the learner's hands of the tests that click sentences and read lessons
// aloud: where a sentence lies in the text, which characters are marked, the toolbar.
inline const QColor teal(0, 128, 128);
inline const QColor red(255, 0, 0);

// Four sentences of half a second in a four-second noise recording; the last one runs on to
// the end of the recording.
inline const QList<SyntheticSentence> syntheticSentences{
    {QStringLiteral("First line here."), QStringLiteral(".5"), QStringLiteral("1")},
    {QStringLiteral("Second line here."), QStringLiteral("1.5"), QStringLiteral("2")},
    {QStringLiteral("Third line here."), QStringLiteral("2.5"), QStringLiteral("3")},
    {QStringLiteral("Last line here."), QStringLiteral("3.5"), QString()},
};

// Sentences a hand-made database may hold: an empty text, a start past the recording, an
// end before the start, ends that are not times.
inline const QList<SyntheticSentence> awkwardSentences{
    {QStringLiteral("First line here."), QStringLiteral(".5"), QStringLiteral("1")},
    {QString(), QStringLiteral("1.2"), QStringLiteral("1.4")},
    {QStringLiteral("Past the end."), QStringLiteral("9"), QStringLiteral("9.5")},
    {QStringLiteral("Backwards."), QStringLiteral("2"), QStringLiteral("1.5")},
    {QStringLiteral("No number."), QStringLiteral("2.2"), QStringLiteral("abc")},
    {QStringLiteral("Negative."), QStringLiteral("2.3"), QStringLiteral("-1")},
    {QStringLiteral("Third line here."), QStringLiteral("2.5"), QStringLiteral("3")},
    {QStringLiteral("Last line here."), QStringLiteral("3.5"), QString()},
};

class SentenceDriver
{
public:
    explicit SentenceDriver(StudyFixture& fixture) : m_fixture(fixture) {}

    StudyWindow& window() { return m_fixture.window(); }
    QTextEdit* lessonText() { return window().findChild<QTextEdit*>(QStringLiteral("lessonText")); }
    QString currentSentenceText()
    {
        return window()
            .findChild<QPlainTextEdit*>(QStringLiteral("currentSentence"))
            ->toPlainText();
    }
    QString label(const QString& name) { return window().findChild<QLabel*>(name)->text(); }
    FaceButton* button(int i)
    {
        return window().findChild<FaceButton*>(StudyFixture::sentenceButtonName(i));
    }
    void press(int i, Qt::MouseButton mouse = Qt::LeftButton)
    {
        QLabel* caption = button(i)->captionLabel();
        QTest::mouseClick(caption, mouse, {}, caption->rect().center());
    }

    // Where sentence i starts in the positions the view counts: one character per break.
    int sentenceStart(int i)
    {
        int position = 0;
        for (int j = 0; j < i; ++j) {
            position += int(window().sentences().sentence(j).size()) + 2;
        }
        return position;
    }

    // Clicks the character at `position` like a learner: press and release there.
    void clickAt(int position, Qt::MouseButton mouse = Qt::LeftButton)
    {
        QTextCursor cursor(lessonText()->document());
        cursor.setPosition(position);
        QRect rect = lessonText()->cursorRect(cursor);
        if (!lessonText()->viewport()->rect().contains(rect.center())) {
            lessonText()->verticalScrollBar()->setValue(lessonText()->verticalScrollBar()->value() +
                                                        rect.top() - 10);
            rect = lessonText()->cursorRect(cursor);
        }
        QTest::mouseClick(lessonText()->viewport(), mouse, {}, rect.center() + QPoint(3, 0));
    }
    void clickSentence(int i) { clickAt(sentenceStart(i) + 1); }

    // The positions in red, as one [first, last] range; {-1, -1} when none.
    std::pair<int, int> redRange()
    {
        const int length = int(window().sentenceView().charText().size());
        int first = -1;
        int last = -1;
        for (int p = 0; p < length; ++p) {
            if (window().sentenceView().colorAt(p) == red) {
                first = first < 0 ? p : first;
                last = p;
            }
        }
        return {first, last};
    }
    std::pair<int, int> sentenceRange(int i)
    {
        const int start = sentenceStart(i);
        return {start, start + int(window().sentences().sentence(i).size()) - 1};
    }

    bool readEnabled()
    {
        return window().findChild<QLabel*>(QStringLiteral("readLessonCaption"))->isEnabled() &&
               window().findChild<QLabel*>(QStringLiteral("readLessonIcon"))->isEnabled();
    }
    bool stopEnabled()
    {
        return window().findChild<QLabel*>(QStringLiteral("stopReadingCaption"))->isEnabled() &&
               window().findChild<QLabel*>(QStringLiteral("stopReadingIcon"))->isEnabled();
    }
    void toolbar(int index, Qt::MouseButton mouse = Qt::LeftButton)
    {
        QLabel* caption = window().findChild<QLabel*>(StudyFixture::toolbarName(index) +
                                                      QStringLiteral("Caption"));
        QTest::mouseClick(caption, mouse, {}, caption->rect().center());
    }

private:
    StudyFixture& m_fixture;
};

// The source frames [first, stop) of the player's media, as the player sends them out.
inline std::vector<qint16> sourceFrames(MediaPlayer& player, qint64 first, qint64 stop)
{
    return player.heardFrames(first, stop);
}
