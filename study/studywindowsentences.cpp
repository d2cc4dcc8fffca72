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
const QString translationShown = QStringLiteral("隐 藏");
const QString translationHidden = QStringLiteral("显 示");
} // namespace

void StudyWindow::unmarkSentence()
{
    m_sentenceView.find(m_sentenceView.markedText());
    m_sentenceView.setSelectionColor(normalColor);
    m_sentenceView.setSelectionLength(0);
}

void StudyWindow::markSentence(int i, int n)
{
    m_sentenceView.find(m_reading.table().sentence(i));
    m_sentenceView.setSelectionColor(currentColor);
    m_sentenceView.setSelectionStart(m_sentenceView.selectionStart() + n);
    m_sentenceView.setSelectionLength(0);
}

void StudyWindow::showSentenceTexts(int i)
{
    const SentenceTable& table = m_reading.table();
    m_currentSentenceBox->setPlainText(table.sentence(i));
    m_sentenceView.setMarkedText(table.sentence(i));
    m_currentTranslation = table.translation(i);
    m_translationLine->setText(
        m_translationToggle->text() == translationShown ? m_currentTranslation : QString());
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
    m_sentenceView.bringCaretIntoView();
}

void StudyWindow::clearSentenceTexts()
{
    m_currentSentenceBox->clear();
    m_translationLine->clear();
    m_currentTranslation.clear();
}

void StudyWindow::setReadingPair(bool readEnabled, bool stopEnabled)
{
    m_toolbar[ReadLesson]->setActionEnabled(readEnabled);
    m_toolbar[StopReading]->setActionEnabled(stopEnabled);
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
        const int first = m_sentenceView.lineIndex(-1);
        const QString line = m_sentenceView.lineText(m_sentenceView.lineFromChar(first));
        if (line == QLatin1String("\r")) {
            return;
        }
        unmarkSentence();
        const int i = m_reading.table().sentenceForLine(m_sentenceView.paragraphText(first), line);
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
        m_sentenceButtons[PreviousSentence]->setEnabled(false);
    } else if (step > 0 && i > last) {
        i = last;
        m_sentenceButtons[NextSentence]->setEnabled(false);
    }
    m_sentenceButtons[step < 0 ? NextSentence : PreviousSentence]->setEnabled(true);
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

void StudyWindow::toggleTranslation()
{
    if (m_translationToggle->text() != translationShown) {
        m_translationToggle->setText(translationShown);
        m_translationLine->setText(m_currentTranslation);
    } else {
        m_translationToggle->setText(translationHidden);
        m_translationLine->clear();
    }
}

bool StudyWindow::eventFilter(QObject* watched, QEvent* event)
{
    QWidget* lessonText = m_sentenceView.widget();
    auto* lessonViewport = static_cast<QTextEdit*>(lessonText)->viewport();
    const bool mouse =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease;
    if (mouse &&
        (watched == m_currentSentenceBox->viewport() || watched == m_newWordsBox->viewport() ||
         (watched == lessonViewport && event->type() == QEvent::MouseButtonPress))) {
        return m_lookup->mouseEvent(static_cast<QWidget*>(watched)->parentWidget(),
                                    static_cast<QMouseEvent*>(event));
    }
    if (watched == lessonViewport && event->type() == QEvent::MouseButtonRelease) {
        sentenceClick(static_cast<QMouseEvent*>(event)->button());
    } else if ((watched == m_translationToggle || watched == m_translationToggle->parentWidget()) &&
               event->type() == QEvent::MouseButtonRelease) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            toggleTranslation();
        }
        return true;
    } else if (watched == m_headings[CreditLine] && event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        openPage(SitePages::homePage());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
