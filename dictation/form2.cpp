#include "form2.h"

#include "dictationartwork.h"
#include "facebutton.h"
#include "form2layout.h"
#include "lessoncatalog.h"
#include "lessonloader.h"
#include "mediaplayer.h"
#include "sitepages.h"

#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShortcut>
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

QString shortcutText(const QList<QKeySequence>& keys)
{
    QStringList texts;
    for (const QKeySequence& key : keys) {
        texts.append(key.toString(QKeySequence::NativeText));
    }
    return texts.join(QStringLiteral(" / "));
}

} // namespace

Form2::Form2(MediaPlayer& player, QPixmap normalFace, QPixmap pressedFace, QString tempPath,
             QString voiceLibrary, QWidget* parent)
    : QWidget(parent), m_W1(player), m_normalFace(std::move(normalFace)),
      m_pressedFace(std::move(pressedFace)), m_tempPath(std::move(tempPath)),
      m_voiceLibrary(std::move(voiceLibrary))
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("听写练习"));
    setWindowIcon(DictationArtwork::windowIcon());
    setFont(DesignGeometry::chineseFont(9));
    fillWith(this, windowColor);
    setFixedSize(Form2Layout::toPixels(Form2Layout::clientWidth),
                 Form2Layout::toPixels(Form2Layout::clientHeight));

    // Creation order is stacking order: white panel backs first, the silver frames last.
    buildBanner();
    buildLessonPanel();
    buildTextPanels();
    buildButtons();
    for (const char* name : {"Shape1", "Shape2", "Shape3", "Shape4"}) {
        auto* frame = new QFrame(this);
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        setColor(frame, QPalette::WindowText, panelBorderColor);
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
        place(frame, QString::fromLatin1(name));
    }
    buildTree();
    setTabOrder(m_T1, m_r1);

    if (const QScreen* area = screen()) {
        const QRect screenRect = area->geometry();
        move(screenRect.x() + (screenRect.width() - width()) / 2,
             screenRect.y() + (screenRect.height() - height()) / 2);
    }
    connect(&m_W1, &MediaPlayer::endReached, this, [this] { m_exercise.checkSentenceEnd(); });
}

Form2::~Form2() = default;

QWidget* Form2::place(QWidget* widget, const QString& name)
{
    widget->setObjectName(name);
    widget->setGeometry(Form2Layout::toPixels(Form2Layout::designRect(name)));
    return widget;
}

QLabel* Form2::heading(const QString& text, QWidget* bar, int index)
{
    auto* label = new QLabel(text, bar);
    label->setObjectName(QStringLiteral("Label4_%1").arg(index));
    label->setStyleSheet(
        QStringLiteral("background: transparent; color: %1;").arg(headingColor.name()));
    label->setGeometry(8, 0, bar->width() - 8, bar->height());
    m_Label4[size_t(index)] = label;
    return label;
}

void Form2::buildBanner()
{
    fillWith(place(new QLabel(this), QStringLiteral("Label1")), bannerColor);

    m_Image1 = new QLabel(this);
    place(m_Image1, QStringLiteral("Image1"));
    m_Image1->setPixmap(windowIcon().pixmap(m_Image1->size(), devicePixelRatioF()));

    auto* title = new QLabel(QStringLiteral("Orlune"), this);
    place(title, QStringLiteral("Label4_3"));
    QFont titleFont = DesignGeometry::arialFont(9);
    titleFont.setBold(true);
    title->setFont(titleFont);
    setColor(title, QPalette::WindowText, titleColor);
    m_Label4[3] = title;

    auto* link = new QLabel(QStringLiteral("访问 Orlune 主页"), this);
    place(link, QStringLiteral("Label4_5"));
    link->setFont(DesignGeometry::chineseFont(8));
    setColor(link, QPalette::WindowText, titleColor);
    link->setCursor(Qt::PointingHandCursor);
    link->setToolTip(SitePages::homePage().toString());
    link->installEventFilter(this);
    m_Label4[5] = link;
}

void Form2::buildLessonPanel()
{
    auto* bar = place(new QWidget(this), QStringLiteral("Picture1_0"));
    bar->setAttribute(Qt::WA_StyledBackground);
    bar->setStyleSheet(DictationArtwork::headingBarStyle());
    heading(QStringLiteral("选择课文"), bar, 1);

    m_T1 = new QTreeWidget(this);
    place(m_T1, QStringLiteral("T1"));
    m_T1->setHeaderHidden(true);
    m_T1->setFrameShape(QFrame::NoFrame);
    // Books open and close only through the node click, which also drops the loaded lesson.
    m_T1->setItemsExpandable(false);
    m_T1->setExpandsOnDoubleClick(false);
    m_T1->installEventFilter(this);
    connect(m_T1, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* node) { nodeClick(node); });
}

void Form2::buildTextPanels()
{
    for (const char* name : {"Label2", "Label3", "inputBack"}) {
        fillWith(place(new QLabel(this), QString::fromLatin1(name)), Qt::white);
    }
    const auto bar = [this](const QString& name, const QString& text, int index) {
        auto* picture = place(new QWidget(this), name);
        picture->setAttribute(Qt::WA_StyledBackground);
        picture->setStyleSheet(DictationArtwork::headingBarStyle());
        heading(text, picture, index);
    };

    bar(QStringLiteral("Picture2"), QStringLiteral("中文翻译"), 4);
    m_Label8 = new QLabel(this);
    place(m_Label8, QStringLiteral("Label8"));
    m_Label8->setWordWrap(true);
    m_Label8->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_Label8->setFont(DesignGeometry::arialFont(10.5));
    setColor(m_Label8, QPalette::WindowText, QColor(0, 0, 255));
    fillWith(m_Label8, Qt::white);

    m_Picture10 = new QLabel(this);
    place(m_Picture10, QStringLiteral("Picture10"));
    m_Picture10->setPixmap(
        DictationArtwork::togglePicture(m_Picture10->size(), devicePixelRatioF()));
    m_Picture10->setCursor(Qt::PointingHandCursor);
    const QKeySequence toggleKey(Qt::CTRL | Qt::Key_T);
    m_Picture10->setToolTip(QStringLiteral("隐藏或显示中文翻译（%1）")
                                .arg(toggleKey.toString(QKeySequence::NativeText)));
    auto* toggleShortcut = new QShortcut(toggleKey, this);
    toggleShortcut->setContext(Qt::WindowShortcut);
    connect(toggleShortcut, &QShortcut::activated, this, &Form2::toggleTranslation);
    m_Picture10->installEventFilter(this);
    m_Label14 = new QLabel(hideCaption, m_Picture10);
    m_Label14->setObjectName(QStringLiteral("Label14"));
    m_Label14->setAlignment(Qt::AlignCenter);
    m_Label14->setGeometry(m_Picture10->rect());
    setColor(m_Label14, QPalette::WindowText, headingColor);
    // The picture takes the clicks, so both the caption and the picture toggle.
    m_Label14->setAttribute(Qt::WA_TransparentForMouseEvents);

    bar(QStringLiteral("Picture3"), QStringLiteral("核对答案"), 0);
    m_r2 = textBox(this, QColor(255, 0, 0));
    place(m_r2, QStringLiteral("r2"));
    m_r2->setReadOnly(true);
    // Read-only, but the caret stays so that the end of a long answer is scrolled to.
    m_r2->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_r2->setFocusPolicy(Qt::ClickFocus);

    bar(QStringLiteral("Picture4_0"), QStringLiteral("输入英文"), 2);
    m_r1 = textBox(this, QColor(0, 0, 255));
    place(m_r1, QStringLiteral("r1"));
    // Tab leads back to the tree, so a lesson can be chosen without the mouse.
    m_r1->setTabChangesFocus(true);
}

void Form2::buildButtons()
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
        connect(button, &FaceButton::released, this, &Form2::buttonReleased);
        m_Label5[size_t(definition.index)] = button;
    }
    setSentenceButtonsEnabled(false);
}

void Form2::buildTree()
{
    QList<QTreeWidgetItem*> books;
    const QIcon bookIcon = DictationArtwork::bookIcon();
    const QIcon lessonIcon = DictationArtwork::lessonIcon();
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
    m_T1->addTopLevelItems(books);
    m_T1->collapseAll();
}

void Form2::nodeClick(QTreeWidgetItem* node)
{
    if (!node) {
        return;
    }
    m_exercise.clear();
    m_r1->clear();
    m_r2->clear();
    m_Label8->clear();
    Label10.clear();
    m_lessonAudioFile.clear();
    m_audioCopyName.clear();
    if (!node->parent()) {
        node->setExpanded(!node->isExpanded());
    } else {
        loadLessonNode(node);
    }
    handOverPlayer();
}

void Form2::loadLessonNode(QTreeWidgetItem* node)
{
    // Without a private folder there is no database of ours to read.
    const LessonDatabase database(
        m_tempPath.isEmpty() ? QString() : QDir(m_tempPath).filePath(QStringLiteral("qvnxcl.wrd")));
    LoadedLesson lesson =
        loadLesson(database, m_voiceLibrary, node->parent()->text(0), node->text(0));
    m_lessonAudioFile = lesson.lessonAudioFile;
    m_audioCopyName = lesson.audioCopyName;
    m_exercise.setLesson(std::move(lesson.table));

    m_Label14->setText(hideCaption);
    Label10 = m_exercise.translation();
    m_Label8->setText(Label10);
    m_r1->setFocus();
    m_r2->moveCursor(QTextCursor::End);
}

void Form2::handOverPlayer()
{
    m_W1.close();
    const LessonAudio audio =
        m_tempPath.isEmpty()
            ? LessonAudio{}
            : prepareLessonAudio(m_lessonAudioFile,
                                 QDir(m_tempPath).filePath(QStringLiteral("sounenclff")),
                                 m_audioCopyName);
    m_W1.setURL(audio.path);
    setSentenceButtonsEnabled(!audio.path.isEmpty());
    if (const QString notice = lessonAudioNotice(audio); !notice.isEmpty()) {
        // Beside the window, not blocking it: the learner may go on to another lesson.
        auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Orlune"), notice,
                                    QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("notice"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        box->show();
    }
    m_W1.controls().stop();
}

void Form2::setSentenceButtonsEnabled(bool enabled)
{
    for (const int index : {Previous, Next, Replay, Answer}) {
        m_Label5[size_t(index)]->setEnabled(enabled);
    }
}

void Form2::toggleTranslation()
{
    if (m_Label14->text() == hideCaption) {
        m_Label14->setText(showCaption);
        m_Label8->clear();
    } else {
        m_Label14->setText(hideCaption);
        m_Label8->setText(Label10);
    }
}

void Form2::updateTranslation()
{
    Label10 = m_exercise.translation();
    m_Label8->setText(m_Label14->text() == hideCaption ? Label10 : QString());
}

void Form2::runButton(int index)
{
    if (m_Label5[size_t(index)]->isEnabled()) {
        buttonReleased(index);
    }
}

void Form2::buttonReleased(int index)
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
        m_r2->setPlainText(m_exercise.answer());
        break;
    case Quit:
        close();
        return;
    default:
        return;
    }
    commonEnding();
}

void Form2::previousSentence()
{
    if (!m_exercise.previous()) {
        m_Label5[Previous]->setEnabled(false);
    }
    m_Label5[Next]->setEnabled(true);
    m_r1->clear();
    m_r2->clear();
    m_exercise.playCurrent();
    updateTranslation();
}

void Form2::nextSentence()
{
    if (!m_exercise.next()) {
        m_Label5[Next]->setEnabled(false);
    }
    m_Label5[Previous]->setEnabled(true);
    m_r1->clear();
    m_r2->clear();
    m_exercise.playCurrent();
    updateTranslation();
}

void Form2::commonEnding()
{
    m_r1->setFocus();
    m_r2->moveCursor(QTextCursor::End);
    m_r2->ensureCursorVisible();
}

bool Form2::eventFilter(QObject* watched, QEvent* event)
{
    const bool clickable = watched == m_Picture10 || watched == m_Label4[5];
    if (clickable && event->type() == QEvent::MouseButtonPress) {
        return true;
    }
    if (clickable && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* widget = static_cast<QWidget*>(watched);
        if (mouse->button() == Qt::LeftButton &&
            widget->rect().contains(mouse->position().toPoint())) {
            if (watched == m_Picture10) {
                toggleTranslation();
            } else {
                SitePages::open(SitePages::homePage());
            }
        }
        return true;
    }
    if (watched == m_T1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            nodeClick(m_T1->currentItem());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool Form2::event(QEvent* event)
{
    // The banner shows the window's icon, whoever sets it.
    if (event->type() == QEvent::WindowIconChange && m_Image1) {
        m_Image1->setPixmap(windowIcon().pixmap(m_Image1->size(), devicePixelRatioF()));
    }
    return QWidget::event(event);
}

void Form2::closeEvent(QCloseEvent* event)
{
    // The player goes on; only this window's watch over it ends.
    m_exercise.stopWatching();
    QWidget::closeEvent(event);
    emit closed();
}
