// The study window's sentence operations: marking and showing the current sentence, the
// sentence click, the sentence buttons, the toolbar and the translation switch.
#include "shadowing/shadowingpractice.h"
#include "study/lookuppopup.h"
#include "study/pointerlookup.h"
#include "study/recordingcontrols.h"
#include "study/studywindow.h"
#include "study/toolbarbutton.h"
#include "widgets/facebutton.h"
#include "widgets/sitepages.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {
// Windows colour values are 0x00BBGGRR: &H808000 and 255.
const QColor normalColor(0, 128, 128);
const QColor currentColor(255, 0, 0);
} // namespace

void StudyWindow::unmarkSentence()
{
    m_panels.sentenceView().find(m_panels.sentenceView().markedText());
    m_panels.sentenceView().setSelectionColor(normalColor);
    m_panels.sentenceView().setSelectionLength(0);
}

void StudyWindow::markSentence(int i, int n)
{
    m_panels.sentenceView().find(m_reading.table().sentence(i));
    m_panels.sentenceView().setSelectionColor(currentColor);
    m_panels.sentenceView().setSelectionStart(m_panels.sentenceView().selectionStart() + n);
    m_panels.sentenceView().setSelectionLength(0);
}

void StudyWindow::showSentenceTexts(int i)
{
    const SentenceTable& table = m_reading.table();
    m_panels.currentSentenceBox()->setPlainText(table.sentence(i));
    m_panels.sentenceView().setMarkedText(table.sentence(i));
    m_panels.setTranslation(table.translation(i));
    if (m_lesson.book > 0 && i >= 0 && i < table.count()) {
        m_practice.setLastPlace({m_lesson.book, m_lesson.number, i});
    }
}

void StudyWindow::refreshSentenceDisplay()
{
    const int i = m_reading.current();
    unmarkSentence();
    showSentenceTexts(i);
    markSentence(i, int(m_reading.table().sentence(i).size()));
    m_panels.sentenceView().bringCaretIntoView();
}

void StudyWindow::clearSentenceTexts()
{
    m_panels.currentSentenceBox()->clear();
    m_panels.clearTranslation();
}

void StudyWindow::toolbarActivated(int index)
{
    switch (index) {
    case ReadLesson:
        m_reading.startLessonReading();
        break;
    case StopReading:
        stopPlaying();
        break;
    case OpenDictation:
        openDictation();
        break;
    case OpenHelp:
        openPage(SitePages::helpPage());
        break;
    case OpenHome:
        openPage(SitePages::homePage());
        break;
    default:
        break;
    }
}

void StudyWindow::stopPlaying()
{
    if (m_shadowing->session().isActive()) {
        m_shadowing->session().stop();
        return;
    }
    m_reading.stop();
}

void StudyWindow::sentenceClick(Qt::MouseButton button)
{
    if (button == Qt::LeftButton && !m_reading.isReadingLesson()) {
        const int first = m_panels.sentenceView().lineIndex(-1);
        const QString line =
            m_panels.sentenceView().lineText(m_panels.sentenceView().lineFromChar(first));
        if (line == QLatin1String("\r")) {
            return;
        }
        unmarkSentence();
        const int i =
            m_reading.table().sentenceForLine(m_panels.sentenceView().paragraphText(first), line);
        m_reading.setCurrent(i);
        markSentence(i, int(line.size()));
        showSentenceTexts(i);
        m_reading.playCurrent(i);
    }
    if (button == Qt::RightButton) {
        popup()->hide();
    }
}

void StudyWindow::playCurrentSentence(int i)
{
    unmarkSentence();
    m_reading.setCurrent(i);
    showSentenceTexts(i);
    markSentence(i, int(m_reading.table().sentence(i).size()));
    m_reading.playCurrent(i);
}

void StudyWindow::moveSentence(int step)
{
    const int last = m_reading.table().count() - 1;
    int i = m_reading.current() + step;
    if (step < 0 && i < 0) {
        i = 0;
        m_panels.sentenceButton(PreviousSentence)->setEnabled(false);
    } else if (step > 0 && i > last) {
        i = last;
        m_panels.sentenceButton(NextSentence)->setEnabled(false);
    }
    m_panels.sentenceButton(step < 0 ? NextSentence : PreviousSentence)->setEnabled(true);
    // Moving on ends the repeats; a sentence still playing goes on, and now ends where the new
    // sentence ends.
    m_reading.moveTo(i);
    refreshSentenceDisplay();
}

void StudyWindow::sentenceButtonReleased(int index)
{
    switch (index) {
    case PreviousSentence:
    case NextSentence:
        if (!m_reading.isReadingLesson()) {
            moveSentence(index == PreviousSentence ? -1 : 1);
        }
        break;
    case ReplaySentence:
        if (m_reading.current() >= 0 && !m_reading.isReadingLesson()) {
            m_reading.playCurrent(m_reading.current());
            refreshSentenceDisplay();
        }
        break;
    case RecordVoice:
        m_recording->toggleRecording();
        break;
    case PlayRecording:
        m_recording->replay();
        break;
    case SaveRecording:
        m_recording->saveAs();
        break;
    default:
        break;
    }
}

bool StudyWindow::eventFilter(QObject* watched, QEvent* event)
{
    QWidget* lessonText = m_panels.sentenceView().widget();
    auto* lessonViewport = static_cast<QTextEdit*>(lessonText)->viewport();
    const bool mouse =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease;
    if (mouse && (watched == m_panels.currentSentenceBox()->viewport() ||
                  watched == m_panels.newWordsBox()->viewport() ||
                  (watched == lessonViewport && event->type() == QEvent::MouseButtonPress))) {
        return m_lookup->mouseEvent(static_cast<QWidget*>(watched)->parentWidget(),
                                    static_cast<QMouseEvent*>(event));
    }
    if (watched == lessonViewport && event->type() == QEvent::MouseButtonRelease) {
        sentenceClick(static_cast<QMouseEvent*>(event)->button());
    } else if (m_panels.isTranslationSwitch(watched) &&
               event->type() == QEvent::MouseButtonRelease) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_panels.toggleTranslation();
        }
        return true;
    } else if (watched == m_panels.heading(CreditLine) &&
               event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        openPage(SitePages::homePage());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
