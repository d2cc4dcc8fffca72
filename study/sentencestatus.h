#pragma once

#include <QObject>

class LessonReading;
class QLabel;
class QPlainTextEdit;
class QWidget;

// The line at the right end of the sentence bar (on a narrow window, where the buttons fill that
// bar, at the right end of the bar just below the current sentence) that says where the learner
// is: "第 5/14 句", the play while a sentence repeats, and in the gap between repeats that it is
// the learner's turn. When a reading of the whole lesson ends, the emptied current-sentence box
// says how it ended and what to do next, until the next sentence or lesson.
class SentenceStatus : public QObject
{
    Q_OBJECT
public:
    SentenceStatus(QWidget* bar, QWidget* narrowBar, QPlainTextEdit* sentenceBox,
                   const LessonReading& reading, QObject* parent = nullptr);

    QLabel* label() const { return m_label; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();
    void show();
    void readingEnded();

    QWidget* m_bar;
    QWidget* m_narrowBar;
    QPlainTextEdit* m_sentenceBox;
    const LessonReading& m_reading;
    QLabel* m_label;
    bool m_heardToEnd = false;
};
