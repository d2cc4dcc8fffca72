// The dictation window's widgets: the banner, the lesson panel, the three text panels with their
// heading bars, the buttons and their keys, and the silver frames over them.
#include "dictation/dictationwindow.h"
#include "dictation/dictationwindowlayout.h"
#include "widgets/commonartwork.h"
#include "widgets/facebutton.h"
#include "widgets/lessontree.h"
#include "widgets/sitepages.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextEdit>

namespace {

const QColor windowColor(236, 237, 239);
const QColor bannerColor(203, 222, 245);
const QColor titleColor(0, 192, 192);
const QColor panelBorderColor(192, 192, 192);
const QColor headingColor(31, 63, 110);

struct ButtonDefinition
{
    int index;
    const char* name;
    QString caption;
    QList<QKeySequence> keys;
};

QWidget* place(QWidget* widget, const QString& name)
{
    return DictationWindowLayout::table().place(widget, name);
}

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

QString DictationWindow::translationShownCaption()
{
    return QStringLiteral("隐 藏");
}

void DictationWindow::buildPanels()
{
    fillWith(this, windowColor);
    // Creation order is stacking order: white panel backs first, the silver frames last.
    buildBanner();
    buildLessonPanel();
    buildTextPanels();
    buildButtons();
    for (const char* name : {"lessonTreeFrame", "answerFrame", "translationFrame", "inputFrame"}) {
        auto* frame = new QFrame(this);
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        setColor(frame, QPalette::WindowText, panelBorderColor);
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
        place(frame, QString::fromLatin1(name));
    }
}

QLabel* DictationWindow::heading(const QString& text, QWidget* bar, Heading which)
{
    static const std::array<const char*, HeadingCount> names{
        "answerHeading", "lessonTreeHeading",  "inputHeading",
        "lessonTitle",   "translationHeading", "creditLine"};
    auto* label = new QLabel(text, bar);
    label->setObjectName(QString::fromLatin1(names[which]));
    label->setStyleSheet(
        QStringLiteral("background: transparent; color: %1;").arg(headingColor.name()));
    label->setGeometry(8, 0, bar->width() - 8, bar->height());
    m_headings[which] = label;
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

    // Where the learner stands in a list of starred sentences; shown only while there is one.
    const QRect banner = DictationWindowLayout::toPixels(
        DictationWindowLayout::table().rect(QStringLiteral("banner")));
    m_listPosition = new QLabel(this);
    m_listPosition->setObjectName(QStringLiteral("listPosition"));
    m_listPosition->setFont(DesignGeometry::chineseFont(9));
    m_listPosition->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_listPosition->setGeometry(banner.right() - 320, banner.top(), 310, banner.height());
    m_listPosition->hide();
}

void DictationWindow::buildLessonPanel()
{
    auto* bar = place(new QWidget(this), QStringLiteral("lessonTreeBar"));
    bar->setAttribute(Qt::WA_StyledBackground);
    bar->setStyleSheet(CommonArtwork::headingBarStyle());
    heading(QStringLiteral("选择课文"), bar, TreeHeading);

    m_lessonTree = new LessonTree(this);
    place(m_lessonTree, QStringLiteral("lessonTree"));
    connect(m_lessonTree, &LessonTree::nodeChosen, this, &DictationWindow::treeNodeChosen);
    connect(m_lessonTree, &LessonTree::storeUnreadable, this, &DictationWindow::notify);
}

void DictationWindow::buildTextPanels()
{
    for (const char* name : {"translationBack", "answerBack", "inputBack"}) {
        fillWith(place(new QLabel(this), QString::fromLatin1(name)), Qt::white);
    }
    const auto bar = [this](const QString& name, const QString& text, Heading index) {
        auto* picture = place(new QWidget(this), name);
        picture->setAttribute(Qt::WA_StyledBackground);
        picture->setStyleSheet(CommonArtwork::headingBarStyle());
        heading(text, picture, index);
    };

    bar(QStringLiteral("translationBar"), QStringLiteral("中文翻译"), TranslationHeading);
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
    m_translationToggle = new QLabel(translationShownCaption(), m_translationToggleBack);
    m_translationToggle->setObjectName(QStringLiteral("translationToggle"));
    m_translationToggle->setAlignment(Qt::AlignCenter);
    m_translationToggle->setGeometry(m_translationToggleBack->rect());
    setColor(m_translationToggle, QPalette::WindowText, headingColor);
    // The picture takes the clicks, so both the caption and the picture toggle.
    m_translationToggle->setAttribute(Qt::WA_TransparentForMouseEvents);

    bar(QStringLiteral("answerBar"), QStringLiteral("核对答案"), AnswerHeading);
    m_answerBox = textBox(this, QColor(255, 0, 0));
    place(m_answerBox, QStringLiteral("answerBox"));
    m_answerBox->setReadOnly(true);
    // Read-only, but the caret stays so that the end of a long answer is scrolled to.
    m_answerBox->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_answerBox->setFocusPolicy(Qt::ClickFocus);

    bar(QStringLiteral("inputBar"), QStringLiteral("输入英文"), InputHeading);
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
         "previous",
         QStringLiteral("上一句"),
         {QKeySequence(Qt::CTRL | Qt::Key_Up), QKeySequence(Qt::CTRL | Qt::Key_PageUp)}},
        {Next,
         "next",
         QStringLiteral("下一句"),
         {QKeySequence(Qt::CTRL | Qt::Key_Down), QKeySequence(Qt::CTRL | Qt::Key_PageDown)}},
        {Replay, "replay", QStringLiteral("朗  读"), {QKeySequence(Qt::CTRL | Qt::Key_R)}},
        {Answer,
         "answer",
         QStringLiteral("答  案"),
         {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}},
        {Quit, "quit", QStringLiteral("退  出"), {}},
    }};
    for (const ButtonDefinition& definition : buttons) {
        auto* button = new FaceButton(definition.index, QString::fromLatin1(definition.name),
                                      definition.caption, m_normalFace, m_pressedFace, this);
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
