#include "dictation/dictationwindow.h"

#include "audio/mediaplayer.h"
#include "dictation/dictationcheck.h"
#include "dictation/dictationmarking.h"
#include "dictation/dictationwindowlayout.h"
#include "lessons/lessoncatalog.h"
#include "lessons/lessonloader.h"
#include "lookup/dictionary.h"
#include "lookup/wordlookup.h"
#include "resources/carriedfiles.h"
#include "widgets/commonartwork.h"
#include "widgets/facebutton.h"
#include "widgets/lessontree.h"
#include "widgets/sitepages.h"

#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShortcut>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <cmath>

namespace {
// The toggle's caption is its state.
const QString hideCaption = DictationWindow::translationShownCaption();
const QString showCaption = QStringLiteral("显 示");
const QString plainTitle = QStringLiteral("听写练习");
const QString listTitle = QStringLiteral("听写练习 — 只练星标句");
} // namespace

DictationWindow::DictationWindow(MediaPlayer& player, QPixmap normalFace, QPixmap pressedFace,
                                 QString tempPath, QString voiceLibrary, QWidget* parent)
    : QWidget(parent), m_player(player), m_normalFace(std::move(normalFace)),
      m_pressedFace(std::move(pressedFace)), m_tempPath(std::move(tempPath)),
      m_voiceLibrary(std::move(voiceLibrary))
{
    setObjectName(QStringLiteral("dictationWindow"));
    setWindowTitle(plainTitle);
    setWindowIcon(CommonArtwork::windowIcon());
    setFont(DesignGeometry::chineseFont(9));
    setFixedSize(DictationWindowLayout::toPixels(DictationWindowLayout::clientWidth),
                 DictationWindowLayout::toPixels(DictationWindowLayout::clientHeight));
    buildPanels();
    m_lessonTree->shade(databaseFile(), m_learnerStore);
    setTabOrder(m_lessonTree, m_inputBox);

    if (const QScreen* area = screen()) {
        const QRect screenRect = area->geometry();
        move(screenRect.x() + (screenRect.width() - width()) / 2,
             screenRect.y() + (screenRect.height() - height()) / 2);
    }
    connect(&m_player, &MediaPlayer::endReached, this, [this] { m_exercise.checkSentenceEnd(); });
}

DictationWindow::~DictationWindow() = default;

QString DictationWindow::databaseFile() const
{
    // Without a private folder there is no database of ours to read.
    return m_tempPath.isEmpty()
               ? QString()
               : QDir(m_tempPath).filePath(QString::fromLatin1(CarriedFiles::databaseName));
}

void DictationWindow::setLearnerStore(const QString& folder)
{
    m_learnerStore = LearnerStore(folder);
    refreshLessons();
}

void DictationWindow::refreshLessons(const QString& bookDigit, const QString& lessonText)
{
    m_lessonTree->shade(databaseFile(), m_learnerStore);
    QTreeWidgetItem* open = m_openLesson;
    if (open &&
        (bookDigit.isEmpty() ||
         (bookDigit == QString::number(m_lessonTree->indexOfTopLevelItem(open->parent()) + 1) &&
          lessonText == open->text(0)))) {
        nodeClick(open);
        // The list goes on where it stood, as long as its sentence is still there.
        if (m_queue.isActive() && !openListed(m_queue.current())) {
            endList();
        }
    }
}

void DictationWindow::treeNodeChosen(QTreeWidgetItem* node)
{
    endList();
    nodeClick(node);
}

bool DictationWindow::dictateOnly(const QList<StarredSentence>& sentences, QString* why)
{
    m_queue.setSentences(sentences);
    if (!m_queue.step(1, [this](const StarredSentence& s) { return openListed(s); })) {
        *why = sentences.isEmpty()
                   ? QStringLiteral("还没有星标句。")
                   : QStringLiteral("星标句所在的课文都已改变，没有可听写的星标句。");
        endList();
        return false;
    }
    setWindowTitle(listTitle);
    showListPosition();
    m_buttons[Previous]->setEnabled(false);
    m_buttons[Next]->setEnabled(m_queue.hasMore(1));
    updateTranslation();
    readyForTyping();
    return true;
}

bool DictationWindow::openListed(const StarredSentence& sentence)
{
    QTreeWidgetItem* node = m_lessonTree->lessonNode(sentence.book, sentence.lesson);
    if (!node) {
        return false;
    }
    if (node != m_openLesson) {
        nodeClick(node);
    }
    // Without its recording a lesson's sentences cannot be dictated.
    return m_openLesson == node && m_buttons[Replay]->isEnabled() &&
           m_exercise.table().hasUsableTimes(sentence.index) &&
           m_exercise.setCurrentSentence(sentence.index);
}

void DictationWindow::stepList(int direction)
{
    const auto opens = [this](const StarredSentence& s) { return openListed(s); };
    if (!m_queue.step(direction, opens)) {
        // What was tried on the way may have opened another lesson.
        openListed(m_queue.current());
        showListPosition();
        m_buttons[direction > 0 ? Next : Previous]->setEnabled(false);
        return;
    }
    showListPosition();
    m_buttons[Next]->setEnabled(m_queue.hasMore(1));
    m_buttons[Previous]->setEnabled(m_queue.hasMore(-1));
    m_inputBox->clear();
    m_answerBox->clear();
    clearMarking();
    m_exercise.playCurrent();
    updateTranslation();
}

void DictationWindow::endList()
{
    m_queue.clear();
    setWindowTitle(plainTitle);
    m_listPosition->hide();
}

void DictationWindow::showListPosition()
{
    m_listPosition->setText(QStringLiteral("只练星标句：第 %1 句，共 %2 句")
                                .arg(m_queue.position() + 1)
                                .arg(m_queue.size()));
    m_listPosition->show();
    if (m_openLesson) {
        m_openLesson->parent()->setExpanded(true);
        m_lessonTree->setCurrentItem(m_openLesson);
        m_lessonTree->scrollToItem(m_openLesson);
    }
}

void DictationWindow::nodeClick(QTreeWidgetItem* node)
{
    if (!node) {
        return;
    }
    m_exercise.clear();
    m_inputBox->clear();
    m_answerBox->clear();
    m_answerBox->setPlaceholderText(QString());
    clearMarking();
    m_translationLine->clear();
    m_currentTranslation.clear();
    m_lessonAudioFile.clear();
    m_audioCopyName.clear();
    m_openLesson = nullptr;
    if (!node->parent()) {
        node->setExpanded(!node->isExpanded());
    } else {
        loadLessonNode(node);
        m_openLesson = node;
    }
    handOverPlayer();
}

void DictationWindow::loadLessonNode(QTreeWidgetItem* node)
{
    LoadedLesson lesson = loadLesson(LessonDatabase(databaseFile()), m_learnerStore, m_voiceLibrary,
                                     node->parent()->text(0), node->text(0));
    m_lessonAudioFile = lesson.lessonAudioFile;
    m_audioCopyName = lesson.audioCopyName;
    m_lessonTree->reportStoreProblem(lesson.storeProblem);
    m_exercise.setLesson(std::move(lesson.table));
    // An empty pane with every button off reads as a fault; the greyed node's tip says what to do.
    if (m_exercise.table().count() == 0) {
        m_answerBox->setPlaceholderText(LessonTree::emptyLessonTip());
    }

    m_translationToggle->setText(hideCaption);
    m_currentTranslation = m_exercise.translation();
    m_translationLine->setText(m_currentTranslation);
    m_inputBox->setFocus();
    m_answerBox->moveCursor(QTextCursor::End);
}

void DictationWindow::handOverPlayer()
{
    m_player.close();
    const LessonAudio audio =
        m_tempPath.isEmpty()
            ? LessonAudio{}
            : prepareLessonAudio(
                  m_lessonAudioFile,
                  QDir(m_tempPath).filePath(QString::fromLatin1(CarriedFiles::audioFolderName)),
                  m_audioCopyName);
    m_player.setUrl(audio.path);
    setSentenceButtonsEnabled(!audio.path.isEmpty());
    if (const QString notice = lessonAudioNotice(audio); !notice.isEmpty()) {
        notify(notice);
    }
    m_player.controls().stop();
}

void DictationWindow::notify(const QString& text)
{
    // Beside the window, not blocking it: the learner may go on to another lesson.
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Orlune"), text,
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("notice"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

void DictationWindow::setSentenceButtonsEnabled(bool enabled)
{
    for (const int index : {Previous, Next, Replay, Answer}) {
        m_buttons[size_t(index)]->setEnabled(enabled);
    }
}

void DictationWindow::toggleTranslation()
{
    if (m_translationToggle->text() == hideCaption) {
        m_translationToggle->setText(showCaption);
        m_translationLine->clear();
    } else {
        m_translationToggle->setText(hideCaption);
        m_translationLine->setText(m_currentTranslation);
    }
}

void DictationWindow::updateTranslation()
{
    m_currentTranslation = m_exercise.translation();
    m_translationLine->setText(m_translationToggle->text() == hideCaption ? m_currentTranslation
                                                                          : QString());
}

void DictationWindow::runButton(int index)
{
    if (m_buttons[size_t(index)]->isEnabled()) {
        buttonReleased(index);
    }
}

void DictationWindow::buttonReleased(int index)
{
    switch (index) {
    case Previous:
        previousSentence();
        break;
    case Next:
        nextSentence();
        break;
    case Replay:
        m_exercise.playCurrent();
        break;
    case Answer:
        showAnswer();
        break;
    case Quit:
        close();
        return;
    default:
        return;
    }
    readyForTyping();
}

void DictationWindow::previousSentence()
{
    if (m_queue.isActive()) {
        stepList(-1);
        return;
    }
    if (!m_exercise.previous()) {
        m_buttons[Previous]->setEnabled(false);
    }
    m_buttons[Next]->setEnabled(true);
    m_inputBox->clear();
    m_answerBox->clear();
    clearMarking();
    m_exercise.playCurrent();
    updateTranslation();
}

void DictationWindow::nextSentence()
{
    if (m_queue.isActive()) {
        stepList(1);
        return;
    }
    if (!m_exercise.next()) {
        m_buttons[Next]->setEnabled(false);
    }
    m_buttons[Previous]->setEnabled(true);
    m_inputBox->clear();
    m_answerBox->clear();
    clearMarking();
    m_exercise.playCurrent();
    updateTranslation();
}

void DictationWindow::showAnswer()
{
    m_answerBox->setPlainText(m_exercise.answer());
    showMarking();
    // Nothing typed is no attempt, and so no mistake.
    const DictationCheck check(m_inputBox->toPlainText(), m_exercise.answer());
    if (m_openLesson && !m_inputBox->toPlainText().trimmed().isEmpty()) {
        emit answerShown(LessonTree::bookOf(m_openLesson), LessonTree::lessonOf(m_openLesson),
                         m_exercise.currentSentence(), m_exercise.answer(),
                         check.halfPoints() < 2 * check.answerWordCount());
    }
}

bool DictationWindow::isRealWord(const QString& key)
{
    if (!m_dictionary) {
        m_dictionary = std::make_unique<Dictionary>(Dictionary::fromFile(
            m_tempPath.isEmpty()
                ? QString()
                : QDir(m_tempPath).filePath(QString::fromLatin1(CarriedFiles::dictionaryName))));
    }
    return WordLookup::lookup(*m_dictionary, key).found;
}

void DictationWindow::showMarking()
{
    const DictationCheck check(m_inputBox->toPlainText(), m_exercise.answer(),
                               [this](const QString& key) { return isRealWord(key); });
    // A sentence without words has nothing to mark; "0/0" would only puzzle.
    if (check.answerWordCount() == 0) {
        clearMarking();
        return;
    }
    m_markingBox->setHtml(DictationMarking::html(check));
    // Measured at the strip's width before the box is placed there.
    const int margin = DictationWindowLayout::toPixels(60);
    QTextDocument* document = m_markingBox->document();
    document->setTextWidth(DictationWindowLayout::toPixels(DictationWindowLayout::clientWidth) -
                           2 * margin - 2 * m_markingBox->frameWidth());
    fitMarking(int(std::ceil(document->size().height())) + 2 * m_markingBox->frameWidth());
    m_markingBox->show();
}

void DictationWindow::clearMarking()
{
    m_markingBox->clear();
    m_markingBox->hide();
    fitMarking(0);
}

void DictationWindow::fitMarking(int height)
{
    using namespace DictationWindowLayout;
    const QSize design(toPixels(clientWidth), toPixels(clientHeight));
    if (height <= 0) {
        setFixedSize(design);
        return;
    }
    // A strip across the whole window under the buttons, as tall as the marking: the window
    // grows by it while the marking shows, so the marking hides nothing and needs no scrolling.
    // The screen bounds the growth; past it the box scrolls.
    const QRect buttons = toPixels(table().rect(QStringLiteral("quitButton")));
    const int margin = toPixels(60);
    const int top = buttons.bottom() + 1 + margin;
    int windowHeight = top + height + margin;
    if (const QScreen* shown = screen()) {
        const int frame = frameGeometry().height() - geometry().height();
        windowHeight = std::min(windowHeight, shown->availableGeometry().height() - frame);
    }
    windowHeight = std::max(windowHeight, design.height());
    setFixedSize(design.width(), windowHeight);
    m_markingBox->setGeometry(margin, top, design.width() - 2 * margin,
                              windowHeight - top - margin);
}

void DictationWindow::readyForTyping()
{
    m_inputBox->setFocus();
    m_answerBox->moveCursor(QTextCursor::End);
    m_answerBox->ensureCursorVisible();
}

bool DictationWindow::eventFilter(QObject* watched, QEvent* event)
{
    const bool clickable = watched == m_translationToggleBack || watched == m_headings[HomeLink];
    if (clickable && event->type() == QEvent::MouseButtonPress) {
        return true;
    }
    if (clickable && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* widget = static_cast<QWidget*>(watched);
        if (mouse->button() == Qt::LeftButton &&
            widget->rect().contains(mouse->position().toPoint())) {
            if (watched == m_translationToggleBack) {
                toggleTranslation();
            } else if (!SitePages::open(SitePages::homePage())) {
                notify(SitePages::cannotOpenNotice(SitePages::homePage()));
            }
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool DictationWindow::event(QEvent* event)
{
    // The banner shows the window's icon, whoever sets it.
    if (event->type() == QEvent::WindowIconChange && m_bannerIcon) {
        m_bannerIcon->setPixmap(windowIcon().pixmap(m_bannerIcon->size(), devicePixelRatioF()));
    }
    return QWidget::event(event);
}

void DictationWindow::closeEvent(QCloseEvent* event)
{
    // The player goes on; only this window's watch over it ends.
    m_exercise.stopWatching();
    QWidget::closeEvent(event);
    emit closed();
}
