#include "study/studypanels.h"

#include "study/artwork.h"
#include "study/studywindowlayout.h"
#include "study/toolbarbutton.h"
#include "widgets/facebutton.h"
#include "widgets/lessontree.h"

#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <algorithm>

namespace {

const QColor windowColor(236, 237, 239);
const QColor bannerColor(203, 222, 245);
const QColor sentenceBarColor(228, 239, 252);
const QString translationShown = QStringLiteral("隐 藏");
const QString translationHidden = QStringLiteral("显 示");

QString background(const QColor& color)
{
    return QStringLiteral("background-color: %1;").arg(color.name());
}

template <typename Widget> Widget* place(Widget* widget, const QString& name)
{
    StudyWindowLayout::table().place(widget, name);
    return widget;
}

QPlainTextEdit* textBox(QWidget* client, const QString& name, double pointSize)
{
    auto* box = place(new QPlainTextEdit(client), name);
    box->setReadOnly(true);
    box->setFont(DesignGeometry::arialFont(pointSize));
    box->setFrameShape(QFrame::NoFrame);
    return box;
}

} // namespace

StudyPanels::StudyPanels(QMainWindow* window, QObject* clickFilter)
{
    const qreal ratio = window->devicePixelRatioF();
    const QSize faceSize(75, 21);
    m_normalFace = Artwork::buttonFace(faceSize, ratio, false);
    m_pressedFace = Artwork::buttonFace(faceSize, ratio, true);

    m_client = new QWidget(window);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->setAutoFillBackground(true);
    QPalette palette = m_client->palette();
    palette.setColor(QPalette::Window, windowColor);
    m_client->setPalette(palette);
    window->setCentralWidget(m_client);

    buildToolbar();
    buildPanels(clickFilter);
    // Rounded up: the window is never smaller than the minimum, only up to a pixel larger.
    const auto atLeast = [](int twips) {
        return (twips + StudyWindowLayout::twipsPerPixel - 1) / StudyWindowLayout::twipsPerPixel;
    };
    m_client->setMinimumSize(
        atLeast(StudyWindowLayout::minimumOuterWidth - StudyWindowLayout::frameWidth),
        atLeast(StudyWindowLayout::minimumOuterHeight - StudyWindowLayout::frameHeight));
}

void StudyPanels::buildToolbar()
{
    m_banner = place(new QLabel(m_client), QStringLiteral("banner"));
    m_banner->setStyleSheet(background(bannerColor));
    struct Command
    {
        const char* name;
        Artwork::ToolIcon icon;
        QString caption;
    };
    const std::array<Command, ToolbarCommandCount> commands{{
        {"readLesson", Artwork::ToolIcon::Read, QStringLiteral("朗读")},
        {"stopReading", Artwork::ToolIcon::Stop, QStringLiteral("停止")},
        {"dictation", Artwork::ToolIcon::Dictation, QStringLiteral("听写")},
        {"help", Artwork::ToolIcon::Help, QStringLiteral("帮助")},
        {"home", Artwork::ToolIcon::Home, QStringLiteral("主页")},
    }};
    for (int i = 0; i < ToolbarCommandCount; ++i) {
        auto* button = new ToolbarButton(i, QString::fromLatin1(commands[i].name), commands[i].icon,
                                         commands[i].caption, m_client);
        QPalette palette = button->palette();
        palette.setColor(QPalette::Window, bannerColor);
        button->setPalette(palette);
        place(button, button->objectName());
        m_toolbar[i] = button;
    }
    setReadingPair(false, false);

    auto* separator = place(new QLabel(m_client), QStringLiteral("toolbarSeparator"));
    separator->setStyleSheet(background(bannerColor) +
                             QStringLiteral("border-left: 1px solid #9fb6d6;"
                                            "margin-left: 8px; margin-right: 8px;"));
}

QLabel* StudyPanels::buildHeadingBar(Heading heading, const QString& bar, const QString& text)
{
    static const std::array<const char*, HeadingCount> names{
        "sentenceHeading", "lessonTreeHeading",  "newWordsHeading",
        "lessonTitle",     "translationHeading", "creditLine"};
    auto* barWidget = place(new QWidget(m_client), bar);
    // The sentence bar holds the sentence buttons on a plain light blue.
    if (heading == SentenceHeading) {
        barWidget->setAttribute(Qt::WA_StyledBackground);
        barWidget->setStyleSheet(background(sentenceBarColor));
    } else {
        barWidget->setStyleSheet(Artwork::headingBarStyle());
    }
    auto* label = new QLabel(text, barWidget);
    label->setObjectName(QString::fromLatin1(names[heading]));
    label->setStyleSheet(QStringLiteral("background: transparent; color: #1f3f6e;"));
    label->setFont(DesignGeometry::chineseFont(9));
    label->setGeometry(8, 0, 400, barWidget->height());
    m_headings[heading] = label;
    return label;
}

void StudyPanels::buildPanels(QObject* clickFilter)
{
    // White backs first, so contents and heading bars stand on them.
    for (const char* name : {"lessonTextBack", "sentenceBack", "translationBack"}) {
        place(new QLabel(m_client), QString::fromLatin1(name))
            ->setStyleSheet(background(Qt::white));
    }

    buildHeadingBar(TreeHeading, QStringLiteral("lessonTreeBar"), QStringLiteral("选择课文"));
    m_lessonTree = place(new LessonTree(m_client), QStringLiteral("lessonTree"));
    m_lessonTree->setFont(DesignGeometry::chineseFont(9));

    buildHeadingBar(WordsHeading, QStringLiteral("newWordsBar"), QStringLiteral("生词列表"));
    m_newWordsBox = textBox(m_client, QStringLiteral("newWords"), 9);

    buildHeadingBar(LessonTitle, QStringLiteral("lessonTextBar"), QString())
        ->setStyleSheet(QStringLiteral("background: transparent; color: #a02020;"));
    auto* lessonText = place(new QTextEdit(m_client), QStringLiteral("lessonText"));
    lessonText->setReadOnly(true);
    // Read-only, but the caret and the selection stay: a click places the caret on the line
    // that the sentence click reads. The caret is not drawn: a blinking caret says "type here".
    lessonText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lessonText->setCursorWidth(0);
    lessonText->setFrameShape(QFrame::NoFrame);
    lessonText->setFont(DesignGeometry::arialFont(12));
    m_sentenceView = SentenceView(lessonText);

    buildSentenceButtons(
        buildHeadingBar(SentenceHeading, QStringLiteral("sentenceBar"), QStringLiteral("句子学习"))
            ->parentWidget());
    m_currentSentenceBox = textBox(m_client, QStringLiteral("currentSentence"), 10.5);
    buildTranslationLine(clickFilter);

    QLabel* credit = new QLabel(QStringLiteral("Orlune 学习软件 · 主页"), m_client);
    m_headings[CreditLine] = place(credit, QStringLiteral("creditLine"));
    credit->setStyleSheet(QStringLiteral("color: #008080; background: transparent;"));
    credit->setFont(DesignGeometry::chineseFont(8));
    credit->setCursor(Qt::PointingHandCursor);
    credit->installEventFilter(clickFilter);

    // The silver frames are drawn over the panels and let the mouse through.
    for (const char* name : {"lessonTreeFrame", "lessonTextFrame", "translationFrame",
                             "newWordsFrame", "sentenceFrame"}) {
        auto* frame = place(new QFrame(m_client), QString::fromLatin1(name));
        frame->setStyleSheet(QStringLiteral("border: 1px solid #c0c0c0; background: transparent;"));
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
}

void StudyPanels::buildTranslationLine(QObject* clickFilter)
{
    buildHeadingBar(TranslationHeading, QStringLiteral("translationBar"),
                    QStringLiteral("中文翻译"));
    m_translationLine = place(new QLabel(m_client), QStringLiteral("translationLine"));
    m_translationLine->setWordWrap(true);
    m_translationLine->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_translationLine->setStyleSheet(QStringLiteral("color: #0000ff; background: transparent;"));
    m_translationLine->setFont(DesignGeometry::chineseFont(10.5));

    auto* toggle = place(new QLabel(m_client), QStringLiteral("translationToggleBack"));
    toggle->setPixmap(Artwork::togglePicture(toggle->size(), m_client->devicePixelRatioF()));
    m_translationToggle = new QLabel(translationShown, toggle);
    m_translationToggle->setObjectName(QStringLiteral("translationToggle"));
    m_translationToggle->setAlignment(Qt::AlignCenter);
    m_translationToggle->setGeometry(toggle->rect());
    m_translationToggle->setStyleSheet(QStringLiteral("background: transparent; color: #1f3f6e;"));
    toggle->installEventFilter(clickFilter);
    m_translationToggle->installEventFilter(clickFilter);
}

void StudyPanels::buildSentenceButtons(QWidget* bar)
{
    struct Button
    {
        const char* name;
        QString caption;
    };
    const std::array<Button, SentenceButtonCount> buttons{{
        {"previousSentence", QStringLiteral("上一句")},
        {"nextSentence", QStringLiteral("下一句")},
        {"replaySentence", QStringLiteral("朗  读")},
        {"record", QStringLiteral("● 录音")},
        {"playRecording", QStringLiteral("回  放")},
        {"saveRecording", QStringLiteral("另存为")},
    }};
    // Placed on the bar from the left after its heading, 82 pixels apart.
    for (int i = 0; i < SentenceButtonCount; ++i) {
        auto* button = new FaceButton(i, QString::fromLatin1(buttons[i].name), buttons[i].caption,
                                      m_normalFace, m_pressedFace, bar);
        button->setGeometry(110 + i * 82, 3, 75, 21);
        button->captionLabel()->setFont(DesignGeometry::chineseFont(9));
        m_sentenceButtons[i] = button;
    }
    m_sentenceButtons[PlayRecording]->setEnabled(false);
    m_sentenceButtons[SaveRecording]->setEnabled(false);
}

void StudyPanels::setReadingPair(bool readEnabled, bool stopEnabled)
{
    m_toolbar[ReadLesson]->setActionEnabled(readEnabled);
    m_toolbar[StopReading]->setActionEnabled(stopEnabled);
}

void StudyPanels::setStopEnabled(bool enabled)
{
    m_toolbar[StopReading]->setActionEnabled(enabled);
}

void StudyPanels::setTranslation(const QString& translation)
{
    m_currentTranslation = translation;
    m_translationLine->setText(m_translationToggle->text() == translationShown ? translation
                                                                               : QString());
}

void StudyPanels::setTranslationNotice(const QString& text)
{
    m_translationLine->setText(text);
}

void StudyPanels::clearTranslation()
{
    m_translationLine->clear();
    m_currentTranslation.clear();
}

void StudyPanels::toggleTranslation()
{
    if (m_translationToggle->text() != translationShown) {
        m_translationToggle->setText(translationShown);
        m_translationLine->setText(m_currentTranslation);
    } else {
        m_translationToggle->setText(translationHidden);
        m_translationLine->clear();
    }
}

bool StudyPanels::isTranslationSwitch(const QObject* watched) const
{
    return watched == m_translationToggle || watched == m_translationToggle->parentWidget();
}

void StudyPanels::applyLayout(const QWidget* popup, QWidget* shadowingPanel)
{
    // The rules are written for the outer size; the client area plus the frame gives it.
    const int W = StudyWindowLayout::toTwips(m_client->width()) + StudyWindowLayout::frameWidth;
    const int H = StudyWindowLayout::toTwips(m_client->height()) + StudyWindowLayout::frameHeight;
    for (QWidget* child : m_client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child != popup && StudyWindowLayout::table().contains(child->objectName())) {
            child->setGeometry(StudyWindowLayout::toPixels(
                StudyWindowLayout::resizedRect(child->objectName(), W, H)));
        }
    }
    if (shadowingPanel && shadowingPanel->isVisibleTo(m_client)) {
        makeRoomFor(shadowingPanel);
    }
}

void StudyPanels::makeRoomFor(QWidget* shadowingPanel)
{
    // The panel takes the lower part of the lesson text pane, so that it hides no control;
    // the text keeps a few lines, and the current sentence stays in sight.
    constexpr int preferredHeight = 250;
    constexpr int textKeeps = 60;
    constexpr int gap = 4;
    QTextEdit* text = m_sentenceView.widget();
    const QRect area = text->geometry();
    const int height = std::max(shadowingPanel->minimumSizeHint().height(),
                                std::min(preferredHeight, area.height() - textKeeps - gap));
    const int textHeight = std::max(0, area.height() - height - gap);
    text->setGeometry(area.left(), area.top(), area.width(), textHeight);
    shadowingPanel->setGeometry(area.left(), area.top() + textHeight + gap, area.width(),
                                area.height() - textHeight - gap);
    shadowingPanel->raise();
    text->ensureCursorVisible();
}
