#include "dictation/dictationwindow.h"

#include "audio/mediaplayer.h"
#include "dictation/dictationcheck.h"
#include "dictation/dictationwindowlayout.h"
#include "lessons/lessoncatalog.h"
#include "lessons/lessonloader.h"
#include "widgets/commonartwork.h"
#include "widgets/facebutton.h"
#include "widgets/lessontreeshading.h"
#include "widgets/sitepages.h"

#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShortcut>
#include <QTextEdit>
#include <QTreeWidget>

namespace {

const QColor windowColor(236, 237, 239);
const QColor bannerColor(203, 222, 245);
const QColor titleColor(0, 192, 192);
const QColor panelBorderColor(192, 192, 192);
const QColor headingColor(31, 63, 110);

// The toggle's caption is its state.
const QString hideCaption = QStringLiteral("隐 藏");
const QString showCaption = QStringLiteral("显 示");

struct ButtonDefinition
{
    int index;
    QString caption;
    QList<QKeySequence> keys;
};

void setColor(QWidget* widget, QPalette::ColorRole role, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(role, color);
    widget->setPalette(palette);
}

void fillWith(QWidget* widget, const QColor& color)
{
    widget->setAutoFillBackground(true);
    setColor(widget, QPalette::Window, color);
}

QPlainTextEdit* textBox(QWidget* parent, const QColor& textColor)
{
    auto* box = new QPlainTextEdit(parent);
    box->setFont(DesignGeometry::arialFont(10.5));
    box->setFrameShape(QFrame::NoFrame);
    setColor(box, QPalette::Text, textColor);
    setColor(box, QPalette::Base, Qt::white);
    return box;
}

// Pasted text can hold any number of words; past this the marking ends in an ellipsis, so
// drawing it never takes long.
constexpr qsizetype maxMarkedWords = 400;

QString coloured(const QString& text, const char* colour, const char* style = "")
{
    return QStringLiteral("<span style=\"color:%1;%2\">%3</span>")
        .arg(QLatin1String(colour), QLatin1String(style), text.toHtmlEscaped());
}

// Right words green; typos orange and wrong words red, each with the answer's word beside it;
// missing words grey in brackets; extra words struck through.
QString markingHtml(const DictationCheck& check)
{
    QStringList marks;
    for (const MarkedWord& word : check.words()) {
        if (marks.size() == maxMarkedWords) {
            marks.append(QStringLiteral("…"));
            break;
        }
        switch (word.kind) {
        case MarkedWord::Right:
            marks.append(coloured(word.typed, "#008000"));
            break;
        case MarkedWord::Typo:
            marks.append(coloured(word.typed, "#c06000") +
                         coloured(QStringLiteral("(%1)").arg(word.expected), "#008000"));
            break;
        case MarkedWord::Wrong:
            marks.append(coloured(word.typed, "#d00000") +
                         coloured(QStringLiteral("(%1)").arg(word.expected), "#008000"));
            break;
        case MarkedWord::Missing:
            marks.append(coloured(QStringLiteral("[%1]").arg(word.expected), "#808080"));
            break;
        case MarkedWord::Extra:
            marks.append(coloured(word.typed, "#a04040", "text-decoration:line-through;"));
            break;
        }
    }
    return QStringLiteral("<b>%1</b><br>%2")
        .arg(check.scoreLine().toHtmlEscaped(), marks.join(u' '));
}

QString shortcutText(const QList<QKeySequence>& keys)
{
    QStringList texts;
    for (const QKeySequence& key : keys) {
        texts.append(key.toString(QKeySequence::NativeText));
    }
    return texts.join(QStringLiteral(" / "));
}

} // namespace

DictationWindow::DictationWindow(MediaPlayer& player, QPixmap normalFace, QPixmap pressedFace,
                                 QString tempPath, QString voiceLibrary, QWidget* parent)
    : QWidget(parent), m_player(player), m_normalFace(std::move(normalFace)),
      m_pressedFace(std::move(pressedFace)), m_tempPath(std::move(tempPath)),
      m_voiceLibrary(std::move(voiceLibrary))
{
    setObjectName(QStringLiteral("dictationWindow"));
    setWindowTitle(QStringLiteral("听写练习"));
    setWindowIcon(CommonArtwork::windowIcon());
    setFont(DesignGeometry::chineseFont(9));
    fillWith(this, windowColor);
    setFixedSize(DictationWindowLayout::toPixels(DictationWindowLayout::clientWidth),
                 DictationWindowLayout::toPixels(DictationWindowLayout::clientHeight));

    // Creation order is stacking order: white panel backs first, the silver frames last.
    buildBanner();
    buildLessonPanel();
    buildTextPanels();
    buildButtons();
    for (const char* name : {"frame1", "frame2", "frame3", "frame4"}) {
        auto* frame = new QFrame(this);
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        setColor(frame, QPalette::WindowText, panelBorderColor);
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
        place(frame, QString::fromLatin1(name));
    }
    buildTree();
    setTabOrder(m_lessonTree, m_inputBox);

    if (const QScreen* area = screen()) {
        const QRect screenRect = area->geometry();
        move(screenRect.x() + (screenRect.width() - width()) / 2,
             screenRect.y() + (screenRect.height() - height()) / 2);
    }
    connect(&m_player, &MediaPlayer::endReached, this, [this] { m_exercise.checkSentenceEnd(); });
}

DictationWindow::~DictationWindow() = default;

QWidget* DictationWindow::place(QWidget* widget, const QString& name)
{
    widget->setObjectName(name);
    widget->setGeometry(DictationWindowLayout::toPixels(DictationWindowLayout::designRect(name)));
    return widget;
}

QLabel* DictationWindow::heading(const QString& text, QWidget* bar, int index)
{
    auto* label = new QLabel(text, bar);
    label->setObjectName(QStringLiteral("heading_%1").arg(index));
    label->setStyleSheet(
        QStringLiteral("background: transparent; color: %1;").arg(headingColor.name()));
    label->setGeometry(8, 0, bar->width() - 8, bar->height());
    m_headings[size_t(index)] = label;
    return label;
}

void DictationWindow::buildBanner()
{
    fillWith(place(new QLabel(this), QStringLiteral("banner")), bannerColor);

    m_bannerIcon = new QLabel(this);
    place(m_bannerIcon, QStringLiteral("bannerIcon"));
    m_bannerIcon->setPixmap(windowIcon().pixmap(m_bannerIcon->size(), devicePixelRatioF()));

    auto* title = new QLabel(QStringLiteral("Orlune"), this);
    place(title, QStringLiteral("lessonTitle"));
    QFont titleFont = DesignGeometry::arialFont(9);
    titleFont.setBold(true);
    title->setFont(titleFont);
    setColor(title, QPalette::WindowText, titleColor);
    m_headings[LessonTitle] = title;

    auto* link = new QLabel(QStringLiteral("访问 Orlune 主页"), this);
    place(link, QStringLiteral("creditLine"));
    link->setFont(DesignGeometry::chineseFont(8));
    setColor(link, QPalette::WindowText, titleColor);
    link->setCursor(Qt::PointingHandCursor);
    link->setToolTip(SitePages::homePage().toString());
    link->installEventFilter(this);
    m_headings[HomeLink] = link;
}

void DictationWindow::buildLessonPanel()
{
    auto* bar = place(new QWidget(this), QStringLiteral("lessonTreeBar"));
    bar->setAttribute(Qt::WA_StyledBackground);
    bar->setStyleSheet(CommonArtwork::headingBarStyle());
    heading(QStringLiteral("选择课文"), bar, 1);

    m_lessonTree = new QTreeWidget(this);
    place(m_lessonTree, QStringLiteral("lessonTree"));
    m_lessonTree->setHeaderHidden(true);
    m_lessonTree->setFrameShape(QFrame::NoFrame);
    // Books open and close only through the node click, which also drops the loaded lesson.
    m_lessonTree->setItemsExpandable(false);
    m_lessonTree->setExpandsOnDoubleClick(false);
    m_lessonTree->installEventFilter(this);
    connect(m_lessonTree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* node) { nodeClick(node); });
}

void DictationWindow::buildTextPanels()
{
    for (const char* name : {"translationBack", "answerBack", "inputBack"}) {
        fillWith(place(new QLabel(this), QString::fromLatin1(name)), Qt::white);
    }
    const auto bar = [this](const QString& name, const QString& text, int index) {
        auto* picture = place(new QWidget(this), name);
        picture->setAttribute(Qt::WA_StyledBackground);
        picture->setStyleSheet(CommonArtwork::headingBarStyle());
        heading(text, picture, index);
    };

    bar(QStringLiteral("translationBar"), QStringLiteral("中文翻译"), 4);
    m_translationLine = new QLabel(this);
    place(m_translationLine, QStringLiteral("translationLine"));
    m_translationLine->setWordWrap(true);
    m_translationLine->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_translationLine->setFont(DesignGeometry::arialFont(10.5));
    setColor(m_translationLine, QPalette::WindowText, QColor(0, 0, 255));
    fillWith(m_translationLine, Qt::white);

    m_translationToggleBack = new QLabel(this);
    place(m_translationToggleBack, QStringLiteral("translationToggleBack"));
    m_translationToggleBack->setPixmap(
        CommonArtwork::togglePicture(m_translationToggleBack->size(), devicePixelRatioF()));
    m_translationToggleBack->setCursor(Qt::PointingHandCursor);
    const QKeySequence toggleKey(Qt::CTRL | Qt::Key_T);
    m_translationToggleBack->setToolTip(QStringLiteral("隐藏或显示中文翻译（%1）")
                                            .arg(toggleKey.toString(QKeySequence::NativeText)));
    auto* toggleShortcut = new QShortcut(toggleKey, this);
    toggleShortcut->setContext(Qt::WindowShortcut);
    connect(toggleShortcut, &QShortcut::activated, this, &DictationWindow::toggleTranslation);
    m_translationToggleBack->installEventFilter(this);
    m_translationToggle = new QLabel(hideCaption, m_translationToggleBack);
    m_translationToggle->setObjectName(QStringLiteral("translationToggle"));
    m_translationToggle->setAlignment(Qt::AlignCenter);
    m_translationToggle->setGeometry(m_translationToggleBack->rect());
    setColor(m_translationToggle, QPalette::WindowText, headingColor);
    // The picture takes the clicks, so both the caption and the picture toggle.
    m_translationToggle->setAttribute(Qt::WA_TransparentForMouseEvents);

    bar(QStringLiteral("answerBar"), QStringLiteral("核对答案"), 0);
    m_answerBox = textBox(this, QColor(255, 0, 0));
    place(m_answerBox, QStringLiteral("answerBox"));
    m_answerBox->setReadOnly(true);
    // Read-only, but the caret stays so that the end of a long answer is scrolled to.
    m_answerBox->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_answerBox->setFocusPolicy(Qt::ClickFocus);

    bar(QStringLiteral("inputBar"), QStringLiteral("输入英文"), 2);
    m_inputBox = textBox(this, QColor(0, 0, 255));
    place(m_inputBox, QStringLiteral("inputBox"));
    // Tab leads back to the tree, so a lesson can be chosen without the mouse.
    m_inputBox->setTabChangesFocus(true);

    m_markingBox = new QTextEdit(this);
    place(m_markingBox, QStringLiteral("answerMarking"));
    m_markingBox->setReadOnly(true);
    m_markingBox->setFocusPolicy(Qt::NoFocus);
    m_markingBox->setFrameShape(QFrame::NoFrame);
    m_markingBox->setFont(DesignGeometry::chineseFont(9));
    m_markingBox->document()->setDocumentMargin(2);
    setColor(m_markingBox, QPalette::Base, windowColor);
    // Hidden until an answer is shown, so the window looks as it always has.
    m_markingBox->hide();
}

void DictationWindow::buildButtons()
{
    const std::array<ButtonDefinition, 5> buttons{{
        {Previous,
         QStringLiteral("上一句"),
         {QKeySequence(Qt::CTRL | Qt::Key_Up), QKeySequence(Qt::CTRL | Qt::Key_PageUp)}},
        {Next,
         QStringLiteral("下一句"),
         {QKeySequence(Qt::CTRL | Qt::Key_Down), QKeySequence(Qt::CTRL | Qt::Key_PageDown)}},
        {Replay, QStringLiteral("朗  读"), {QKeySequence(Qt::CTRL | Qt::Key_R)}},
        {Answer,
         QStringLiteral("答  案"),
         {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}},
        {Quit, QStringLiteral("退  出"), {}},
    }};
    for (const ButtonDefinition& definition : buttons) {
        auto* button =
            new FaceButton(definition.index, definition.caption, m_normalFace, m_pressedFace, this);
        place(button, button->objectName());
        button->captionLabel()->setFont(DesignGeometry::chineseFont(9));
        QString tip = QString(definition.caption).remove(u' ');
        if (!definition.keys.isEmpty()) {
            tip += QStringLiteral("（%1）").arg(shortcutText(definition.keys));

            auto* shortcut = new QShortcut(this);
            shortcut->setKeys(definition.keys);
            shortcut->setContext(Qt::WindowShortcut);
            connect(shortcut, &QShortcut::activated, this,
                    [this, index = definition.index] { runButton(index); });
        }
        button->setToolTip(tip);
        connect(button, &FaceButton::released, this, &DictationWindow::buttonReleased);
        m_buttons[size_t(definition.index)] = button;
    }
    setSentenceButtonsEnabled(false);
}

void DictationWindow::buildTree()
{
    QList<QTreeWidgetItem*> books;
    const QIcon bookIcon = CommonArtwork::bookIcon();
    const QIcon lessonIcon = CommonArtwork::lessonIcon();
    for (int book = 1; book <= LessonCatalog::bookCount; ++book) {
        auto* node = new QTreeWidgetItem(QStringList{LessonCatalog::bookText(book)});
        node->setData(0, Qt::UserRole, LessonCatalog::bookKey(book));
        node->setIcon(0, bookIcon);
        for (int n = 1; n <= LessonCatalog::lessonCounts[size_t(book - 1)]; ++n) {
            auto* lesson = new QTreeWidgetItem(QStringList{LessonCatalog::lessonText(n)});
            lesson->setIcon(0, lessonIcon);
            node->addChild(lesson);
        }
        books.append(node);
    }
    m_lessonTree->addTopLevelItems(books);
    reportStoreProblem(LessonTreeShading::shade(m_lessonTree, databaseFile(), m_learnerStore));
    m_lessonTree->collapseAll();
}

QString DictationWindow::databaseFile() const
{
    // Without a private folder there is no database of ours to read.
    return m_tempPath.isEmpty() ? QString()
                                : QDir(m_tempPath).filePath(QStringLiteral("qvnxcl.wrd"));
}

void DictationWindow::setLearnerStore(const QString& folder)
{
    m_learnerStore = LearnerStore(folder);
    refreshLessons();
}

void DictationWindow::refreshLessons(const QString& bookDigit, const QString& lessonText)
{
    reportStoreProblem(LessonTreeShading::shade(m_lessonTree, databaseFile(), m_learnerStore));
    QTreeWidgetItem* open = m_openLesson;
    if (open &&
        (bookDigit.isEmpty() ||
         (bookDigit == QString::number(m_lessonTree->indexOfTopLevelItem(open->parent()) + 1) &&
          lessonText == open->text(0)))) {
        nodeClick(open);
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
    reportStoreProblem(lesson.storeProblem);
    m_exercise.setLesson(std::move(lesson.table));

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
            : prepareLessonAudio(m_lessonAudioFile,
                                 QDir(m_tempPath).filePath(QStringLiteral("sounenclff")),
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

void DictationWindow::reportStoreProblem(const QString& problem)
{
    // Once for each new problem: a damaged store would otherwise speak up at every click.
    if (!problem.isEmpty() && problem != m_reportedStoreProblem) {
        notify(LessonTreeShading::storeProblemNotice(problem));
    }
    m_reportedStoreProblem = problem;
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
    commonEnding();
}

void DictationWindow::previousSentence()
{
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
}

void DictationWindow::showMarking()
{
    const DictationCheck check(m_inputBox->toPlainText(), m_exercise.answer());
    // A sentence without words has nothing to mark; "0/0" would only puzzle.
    if (check.answerWordCount() == 0) {
        clearMarking();
        return;
    }
    m_markingBox->setHtml(markingHtml(check));
    m_markingBox->show();
}

void DictationWindow::clearMarking()
{
    m_markingBox->clear();
    m_markingBox->hide();
}

void DictationWindow::commonEnding()
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
            } else {
                SitePages::open(SitePages::homePage());
            }
        }
        return true;
    }
    if (watched == m_lessonTree && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            nodeClick(m_lessonTree->currentItem());
            return true;
        }
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
