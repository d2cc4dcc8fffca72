#include "study/studycollection.h"

#include "collection/exportdialog.h"
#include "collection/notebookwindow.h"
#include "dictation/dictationwindow.h"
#include "study/lookuppopup.h"
#include "study/pointerlookup.h"
#include "study/starredreading.h"
#include "study/starshade.h"
#include "study/studywindow.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSettings>
#include <QShortcut>
#include <QTextBlock>
#include <QTextEdit>

using namespace Qt::StringLiterals;

namespace {

const QString starOnMistakeKey = u"collection/starOnMistake"_s;

// The file the practice choices are kept in.
QSettings settings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, u"Orlune"_s, u"Orlune"_s);
}
const QString hintText = u"按 A 键加入生词本"_s;
constexpr int hintHeight = 16;

} // namespace

StudyCollection::StudyCollection(StudyWindow& window)
    : QObject(&window), m_window(window), m_stars(window.learnerStore().databasePath()),
      m_notebook(window.learnerStore().databasePath())
{
    addFileActions();
    addPracticeActions();

    // The current sentence's right button looks nothing up, so its menu is free for the star.
    QPlainTextEdit* current = window.currentSentenceBox();
    current->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(current, &QWidget::customContextMenuRequested, this, [this, current](QPoint at) {
        if (!m_starAction->isEnabled()) {
            return;
        }
        m_starAction->setChecked(isStarred(m_window.currentSentence()));
        QMenu menu(current);
        menu.addAction(m_starAction);
        menu.exec(current->mapToGlobal(at));
    });

    // The popup shows while a mouse button is held, so the key comes with the other hand.
    auto* keep = new QShortcut(QKeySequence(Qt::Key_A), &window);
    keep->setObjectName(u"keepWord"_s);
    connect(keep, &QShortcut::activated, this, &StudyCollection::keepWord);

    if (LookupPopup* popup = window.popup()) {
        m_hint = new QLabel(hintText, popup);
        m_hint->setObjectName(u"notebookHint"_s);
        m_hint->setStyleSheet(u"background: transparent; color: #808060;"_s);
        QFont small = m_hint->font();
        small.setPointSizeF(8);
        m_hint->setFont(small);
        popup->installEventFilter(this);
    }

    connect(&window, &StudyWindow::lessonShown, this, &StudyCollection::lessonShown);
    connect(&window, &StudyWindow::dictationOpened, this, &StudyCollection::dictationOpened);
}

void StudyCollection::addFileActions()
{
    QMenu* file = m_window.menuBar()->findChild<QMenu*>(u"文件"_s);
    // In "文件", before "退出".
    QAction* quit = file ? file->findChild<QAction*>(u"退出"_s) : nullptr;
    QAction* before = nullptr;
    if (file) {
        const QList<QAction*> actions = file->actions();
        const qsizetype at = actions.indexOf(quit);
        before = at > 0 ? actions[at - 1] : quit; // the separator above it
    }
    auto* notebook = new QAction(u"生词本…"_s, &m_window);
    notebook->setObjectName(u"生词本"_s);
    notebook->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    connect(notebook, &QAction::triggered, this, &StudyCollection::openNotebook);
    auto* exporting = new QAction(u"导出…"_s, &m_window);
    exporting->setObjectName(u"导出"_s);
    exporting->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    exporting->setToolTip(u"把一课、星标句或生词本导出为 Anki 卡组、文本或 LRC/SRT 字幕"_s);
    connect(exporting, &QAction::triggered, this, &StudyCollection::openExport);
    if (file) {
        file->insertAction(before, notebook);
        file->insertAction(before, exporting);
    }
    m_window.addAction(notebook);
    m_window.addAction(exporting);
}

void StudyCollection::addPracticeActions()
{
    m_starAction = new QAction(u"标为难句（星标）"_s, &m_window);
    m_starAction->setObjectName(u"星标"_s);
    m_starAction->setCheckable(true);
    m_starAction->setEnabled(false);
    m_starAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    connect(m_starAction, &QAction::triggered, this, &StudyCollection::toggleStar);
    m_window.addAction(m_starAction);
    m_starredReading = new StarredReading(m_window, this);
    // A choice that stays on after the reading, so that the dictation opened next dictates
    // the same sentences.
    m_starredOnly = new QAction(u"只练星标句"_s, &m_window);
    m_starredOnly->setObjectName(u"只练星标句"_s);
    m_starredOnly->setCheckable(true);
    m_starredOnly->setToolTip(u"按课的顺序朗读所有课文里的星标句，每句按所选的语速和重复次数；"
                              u"选着它时，听写也只听写星标句"_s);
    connect(m_starredOnly, &QAction::triggered, this, &StudyCollection::toggleStarredReading);
    m_starOnMistake = new QAction(u"听写出错时标为难句"_s, &m_window);
    m_starOnMistake->setObjectName(u"听写出错时标为难句"_s);
    m_starOnMistake->setCheckable(true);
    m_starOnMistake->setChecked(settings().value(starOnMistakeKey, true).toBool());
    connect(m_starOnMistake, &QAction::toggled, this,
            [](bool on) { settings().setValue(starOnMistakeKey, on); });
    if (QMenu* practice = m_window.menuBar()->findChild<QMenu*>(u"练习"_s)) {
        practice->addSeparator();
        practice->addAction(m_starAction);
        practice->addAction(m_starredOnly);
        practice->addAction(m_starOnMistake);
        connect(practice, &QMenu::aboutToShow, this,
                [this] { m_starAction->setChecked(isStarred(m_window.currentSentence())); });
    }
}

StudyCollection::~StudyCollection() = default;

QString StudyCollection::storeFile() const
{
    return m_window.learnerStore().databasePath();
}

bool StudyCollection::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched == m_window.popup()) {
        placeHint();
    }
    return QObject::eventFilter(watched, event);
}

void StudyCollection::placeHint()
{
    LookupPopup* popup = m_window.popup();
    // The popup keeps the size it was given; the hint adds a line below it, once.
    if (popup->height() != m_popupBaseHeight + hintHeight) {
        m_popupBaseHeight = popup->height();
        popup->resize(popup->width(), m_popupBaseHeight + hintHeight);
    }
    m_hint->setText(hintText);
    m_hint->setGeometry(5, m_popupBaseHeight - 2, popup->width() - 10, hintHeight);
    m_hint->show();
}

bool StudyCollection::keepWord()
{
    LookupPopup* popup = m_window.popup();
    const PointerLookup* lookup = m_window.lookup();
    if (!popup || !popup->isVisible() || !lookup || !lookup->lastEntry().found) {
        return false;
    }
    const LookupResult& entry = lookup->lastEntry();
    const SentenceTable& table = m_window.sentences();
    const QString pressedIn = lookup->lastSentence();
    int index = pressedIn.isEmpty() ? table.count() : table.sentenceForLine(pressedIn, pressedIn);
    if (index >= table.count()) {
        // From the new-word list: the lesson's first sentence that holds the word.
        index = -1;
        for (int i = 0; i < table.count() && index < 0; ++i) {
            if (table.sentence(i).contains(entry.headword, Qt::CaseInsensitive)) {
                index = i;
            }
        }
    }
    NotebookWord word{
        entry.headword,        entry.ipaTranscription,  entry.meaning, table.sentence(index),
        m_window.lessonBook(), m_window.lessonNumber(), index};
    QString error;
    if (!m_notebook.add(word, &error)) {
        m_hint->setText(u"无法保存"_s);
        m_window.prompts().notify(error);
        return false;
    }
    m_hint->setText(u"已加入生词本 ✓"_s);
    if (m_notebookWindow) {
        m_notebookWindow->refresh();
    }
    return true;
}

void StudyCollection::toggleStar()
{
    const int i = m_window.currentSentence();
    const SentenceTable& table = m_window.sentences();
    if (m_window.lessonBook() <= 0 || i < 0 || i >= table.count()) {
        return;
    }
    const bool star = !isStarred(i);
    QString error;
    if (!m_stars.setStarred({m_window.lessonBook(), m_window.lessonNumber(), i, table.sentence(i)},
                            star, &error)) {
        m_window.prompts().notify(error);
    } else if (star) {
        m_starred.insert(i);
    } else {
        m_starred.remove(i);
    }
    m_starAction->setChecked(isStarred(i));
    paintStars();
}

void StudyCollection::lessonShown()
{
    m_starred.clear();
    if (m_window.lessonBook() > 0) {
        QString problem;
        m_starred = m_stars.inLesson(m_window.lessonBook(), m_window.lessonNumber(), &problem);
    }
    m_starAction->setEnabled(m_window.lessonBook() > 0);
    m_starAction->setChecked(false);
    paintStars();
}

void StudyCollection::paintStars()
{
    QTextEdit* text = m_window.sentenceView().widget();
    if (!m_shade) {
        m_shade = new StarShade(text);
    }
    QList<int> shaded;
    const SentenceTable& table = m_window.sentences();
    int next = 0;
    for (QTextBlock block = text->document()->begin(); block.isValid() && next < table.count();
         block = block.next()) {
        if (block.text().isEmpty() || block.text() != table.sentence(next)) {
            continue;
        }
        if (m_starred.contains(next)) {
            shaded.append(block.blockNumber());
        }
        ++next;
    }
    m_shade->setBlocks(shaded);
}

void StudyCollection::toggleStarredReading()
{
    if (!m_starredOnly->isChecked()) {
        m_starredReading->stop();
        return;
    }
    QString problem;
    const QList<StarredSentence> starred = m_stars.all(&problem);
    QString why;
    if (!problem.isEmpty()) {
        m_window.prompts().notify(problem);
    } else if (!m_starredReading->start(starred, &why)) {
        m_window.prompts().notify(why);
    }
    m_starredOnly->setChecked(problem.isEmpty() && why.isEmpty());
}

void StudyCollection::dictationOpened(DictationWindow* dictation)
{
    connect(dictation, &DictationWindow::answerShown, this, &StudyCollection::dictationAnswered);
    if (!m_starredOnly->isChecked()) {
        return;
    }
    // The dictation takes the player over: the reading ends, the choice stays.
    m_starredReading->stop();
    QString problem;
    const QList<StarredSentence> starred = m_stars.all(&problem);
    QString why;
    if (!problem.isEmpty()) {
        m_window.prompts().notify(problem);
    } else if (!dictation->dictateOnly(starred, &why)) {
        m_window.prompts().notify(why);
    }
}

void StudyCollection::dictationAnswered(int book, int lesson, int sentence, const QString& text,
                                        bool mistaken)
{
    if (!mistaken || !m_starOnMistake->isChecked()) {
        return;
    }
    QString error;
    if (!m_stars.setStarred({book, lesson, sentence, text}, true, &error)) {
        m_window.prompts().notify(error);
        return;
    }
    if (book == m_window.lessonBook() && lesson == m_window.lessonNumber()) {
        m_starred.insert(sentence);
        paintStars();
    }
}

NotebookWindow* StudyCollection::openNotebook()
{
    if (!m_notebookWindow) {
        const StudyPaths& paths = m_window.paths();
        m_notebookWindow = new NotebookWindow(
            {paths.databaseFile(), paths.voiceLibrary, m_window.learnerStore().folder()},
            storeFile(), &m_window);
        m_notebookWindow->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_notebookWindow, &NotebookWindow::exportRequested, this, [this] {
            if (ExportDialog* dialog = openExport()) {
                dialog->setContent(ExportDialog::Notebook);
            }
        });
    } else {
        m_notebookWindow->refresh();
    }
    m_notebookWindow->show();
    m_notebookWindow->raise();
    m_notebookWindow->activateWindow();
    return m_notebookWindow;
}

ExportDialog* StudyCollection::openExport()
{
    if (!m_exportDialog) {
        const StudyPaths& paths = m_window.paths();
        m_exportDialog = new ExportDialog(
            {paths.databaseFile(), paths.voiceLibrary, m_window.learnerStore().folder()},
            storeFile(), &m_window);
        m_exportDialog->setAttribute(Qt::WA_DeleteOnClose);
        m_exportDialog->setLesson(m_window.lessonBook(), m_window.lessonNumber());
    }
    m_exportDialog->show();
    m_exportDialog->raise();
    m_exportDialog->activateWindow();
    return m_exportDialog;
}
