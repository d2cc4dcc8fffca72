#pragma once

#include <QWidget>
#include <functional>

class PracticeSettings;
class QLabel;
class QPushButton;
class QTextEdit;

// What the lesson pane shows while no lesson is open: where to start and, when a place in the
// course is remembered and its lesson still holds something to study, a button that goes back
// there. It lies over the pane's viewport and follows its size; the remembered place is read
// anew each time it is shown.
class StartScreen : public QWidget
{
    Q_OBJECT
public:
    // Whether a lesson holds anything to study now (an import removed since leaves it empty).
    using HasContent = std::function<bool(int book, int lesson)>;
    StartScreen(QTextEdit* lessonText, const PracticeSettings& practice, HasContent hasContent);

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
    HasContent m_hasContent;
    QPushButton* m_continue;
};
