// The study window's lessons: loading the chosen lesson, the remembered place, the dictation
// window and the import of the learner's own lessons.
#include "dictation/dictationwindow.h"
#include "import/folderimportdialog.h"
#include "import/importdialog.h"
#include "lessons/lessoncatalog.h"
#include "lessons/lessonloader.h"
#include "shadowing/shadowingpractice.h"
#include "study/practicemenu.h"
#include "study/studywindow.h"
#include "study/toolbarbutton.h"
#include "widgets/facebutton.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {
// Windows colour values are 0x00BBGGRR: &H808000.
const QColor normalSentenceColor(0, 128, 128);
} // namespace

void StudyWindow::nodeClick(QTreeWidgetItem* node)
{
    if (!node) {
        return;
    }
    unloadLesson();
    if (!node->parent()) {
        node->setExpanded(!node->isExpanded());
    } else {
        loadLessonText(node);
    }
    prepareAudio();
    m_player.controls().stop();
}

void StudyWindow::unloadLesson()
{
    m_shadowing->dropTakes();
    m_player.close();
    m_player.controls().stop();
    m_panels.sentenceView().clear();
    m_panels.sentenceView().widget()->setPlaceholderText(QString());
    m_panels.currentSentenceBox()->clear();
    m_panels.newWordsBox()->clear();
    m_panels.clearTranslation();
    m_panels.setStopEnabled(false);
    m_panels.sentenceButton(PreviousSentence)->setEnabled(true);
    m_panels.sentenceButton(NextSentence)->setEnabled(true);
    m_reading.setLesson({});
    m_player.setEndPosition(-1);
    m_panels.heading(LessonTitle)->clear();
    m_lesson = {};
    emit lessonShown();
}

void StudyWindow::loadLessonText(QTreeWidgetItem* node)
{
    m_panels.setTranslationNotice(tipText());
    m_panels.heading(LessonTitle)->setText(node->text(0));
    m_lesson.book = LessonTree::bookOf(node);
    m_lesson.number = LessonTree::lessonOf(node);
    m_practice.setLastPlace({m_lesson.book, m_lesson.number, -1});
    m_continueAction->setEnabled(true);
    LoadedLesson lesson = loadLesson(LessonDatabase(m_paths.databaseFile()), m_learnerStore,
                                     m_paths.voiceLibrary, node->parent()->text(0), node->text(0));
    m_lesson.audioFile = lesson.lessonAudioFile;
    m_lesson.audioCopyName = lesson.audioCopyName;
    m_reading.setLesson(std::move(lesson.table));
    m_panels.lessonTree()->reportStoreProblem(lesson.storeProblem);

    m_panels.sentenceView().setText(lesson.sentenceText);
    // A blank pane after a click reads as a fault; the greyed node's tip says what to do.
    m_panels.sentenceView().widget()->setPlaceholderText(
        lesson.sentenceText.isEmpty() ? LessonTree::emptyLessonTip() : QString());
    m_panels.sentenceView().setSelectionStart(0);
    m_panels.sentenceView().setSelectionLength(int(m_panels.sentenceView().charText().size()));
    m_panels.sentenceView().setSelectionColor(normalSentenceColor);
    m_panels.sentenceView().setSelectionFont(QStringLiteral("Arial"), 12);
    m_panels.sentenceView().setSelectionStart(0);
    QString words = lesson.wordText;
    // The box takes a bare CR as a paragraph break of its own.
    m_panels.newWordsBox()->setPlainText(
        words.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    emit lessonShown();
}

void StudyWindow::prepareAudio()
{
    const LessonAudio audio =
        prepareLessonAudio(m_lesson.audioFile, m_paths.audioFolder(), m_lesson.audioCopyName);
    m_player.setUrl(audio.path);
    m_panels.setReadingPair(!audio.path.isEmpty(),
                            m_panels.toolbarButton(StopReading)->isActionEnabled());
    if (const QString notice = lessonAudioNotice(audio); !notice.isEmpty()) {
        m_prompts.notify(notice);
    }
}

void StudyWindow::refreshLessons(const QString& bookDigit, const QString& lessonText)
{
    m_panels.lessonTree()->shade(m_paths.databaseFile(), m_learnerStore);
    if (auto* dictation = qobject_cast<DictationWindow*>(m_dictationWindow.data())) {
        dictation->refreshLessons(bookDigit, lessonText);
    }
    QTreeWidgetItem* open = m_panels.lessonTree()->lessonNode(m_lesson.book, m_lesson.number);
    if (open && (bookDigit.isEmpty() ||
                 (bookDigit == QString::number(m_lesson.book) && lessonText == open->text(0)))) {
        nodeClick(open);
    }
}

void StudyWindow::importRemoved(const QString& bookDigit, const QString& lessonText)
{
    const int book = bookDigit.toInt();
    const int lesson = LessonCatalog::lessonNumber(lessonText).toInt();
    m_practice.forgetLessonRead(book, lesson);
    m_panels.lessonTree()->markRead(book, lesson, false);
    refreshLessons(bookDigit, lessonText);
}

void StudyWindow::markLessonRead()
{
    if (m_lesson.book > 0) {
        m_practice.markLessonRead(m_lesson.book, m_lesson.number);
        m_panels.lessonTree()->markRead(m_lesson.book, m_lesson.number);
    }
}

void StudyWindow::continueLastStudy()
{
    const PracticeSettings::Place place = m_practice.lastPlace();
    QTreeWidgetItem* node =
        place.isValid() ? m_panels.lessonTree()->lessonNode(place.book, place.lesson) : nullptr;
    if (!node) {
        m_prompts.notify(QStringLiteral("还没有上次学习的记录。请先在左边选择一课。"));
        return;
    }
    node->parent()->setExpanded(true);
    m_panels.lessonTree()->setCurrentItem(node);
    m_panels.lessonTree()->scrollToItem(node);
    nodeClick(node);
    // The lesson may have changed since: a sentence it no longer has is simply not shown.
    if (place.sentence >= 0 && place.sentence < m_reading.table().count()) {
        m_reading.setCurrent(place.sentence);
        refreshSentenceDisplay();
    }
}

bool StudyWindow::openLesson(int book, int lesson)
{
    QTreeWidgetItem* node = m_panels.lessonTree()->lessonNode(book, lesson);
    if (!node) {
        return false;
    }
    node->parent()->setExpanded(true);
    m_panels.lessonTree()->setCurrentItem(node);
    nodeClick(node);
    return true;
}

void StudyWindow::setSpeed(double factor)
{
    m_practice.setSpeed(factor);
    m_player.setSpeed(m_practice.speed());
    m_practiceMenu->update();
}

void StudyWindow::setRepeats(int times)
{
    m_practice.setRepeats(times);
    m_practiceMenu->update();
}

void StudyWindow::setRepeatGap(PracticeSettings::Gap gap)
{
    m_practice.setGap(gap);
    m_practiceMenu->update();
}

void StudyWindow::openDictation()
{
    // Nothing is handed over but the player and the button faces: the dictation window loads
    // its own lessons. A reading started here goes on while it is shown; a sentence repeated
    // here would sound between the dictation window's own, so its repeats end.
    if (m_reading.isRepeating()) {
        m_reading.endRepeats();
    }
    auto* dictation = new DictationWindow(m_player, m_panels.normalFace(), m_panels.pressedFace(),
                                          m_paths.tempPath, m_paths.voiceLibrary);
    dictation->setLearnerStore(m_learnerStore.folder());
    dictation->setAttribute(Qt::WA_DeleteOnClose);
    dictation->setWindowIcon(windowIcon());
    connect(dictation, &DictationWindow::closed, this, &StudyWindow::show);
    emit dictationOpened(dictation);
    m_dictationWindow = dictation;
    dictation->show();
    hide();
}

void StudyWindow::openImportDialog()
{
    // The dialog borrows the player: nothing of ours may be playing or waiting for its end, or
    // a reading could count the dialog's clip as the lesson's last sentence.
    stopPlaying();
    m_reading.stopWatching();
    ImportDialog dialog(&m_player, &m_learnerStore, m_lesson.book > 0 ? m_lesson.book : 1,
                        m_lesson.number > 0 ? m_lesson.number : 1, this);
    dialog.setCarriedDatabase(m_paths.databaseFile());
    connect(&dialog, &ImportDialog::lessonStored, this, &StudyWindow::refreshLessons);
    connect(&dialog, &ImportDialog::lessonRemoved, this, &StudyWindow::importRemoved);
    dialog.exec();
}

void StudyWindow::openFolderImport()
{
    // The open lesson may be replaced and reopened while the dialog runs.
    stopPlaying();
    m_reading.stopWatching();
    FolderImportDialog dialog({m_learnerStore.folder(), m_paths.databaseFile()},
                              m_lesson.book > 0 ? m_lesson.book : 1, this);
    connect(&dialog, &FolderImportDialog::lessonStored, this, &StudyWindow::refreshLessons);
    dialog.exec();
}
