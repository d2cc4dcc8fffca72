#pragma once

#include <QWidget>

class PracticeSettings;
class QLabel;
class QPushButton;
class QTextEdit;

// What the lesson pane shows while no lesson is open: where to start and, when a place in the
// course is remembered, a button that goes back there. It lies over the pane's viewport and
// follows its size; the remembered place is read anew each time it is shown.
class StartScreen : public QWidget
{
    Q_OBJECT
public:
    StartScreen(QTextEdit* lessonText, const PracticeSettings& practice);

    // Shown while no lesson is open, hidden while one is.
    void setLessonOpen(bool open);

signals:
    void continueRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void refresh();

    QTextEdit* m_lessonText;
    const PracticeSettings& m_practice;
    QPushButton* m_continue;
};
