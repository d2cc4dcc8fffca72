#include "study/startscreen.h"

#include "reading/practicesettings.h"
#include "widgets/designgeometry.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

StartScreen::StartScreen(QTextEdit* lessonText, const PracticeSettings& practice,
                         HasContent hasContent)
    : QWidget(lessonText->viewport()), m_lessonText(lessonText), m_practice(practice),
      m_hasContent(std::move(hasContent)), m_continue(new QPushButton(this))
{
    setObjectName(QStringLiteral("startScreen"));
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Qt::white);
    setPalette(colours);

    auto* hint = new QLabel(QStringLiteral("从左边的“选择课文”开始：点开一册书，再点其中一课。\n\n"
                                           "课文打开后，点一句就听这一句，按 F6 朗读全课；"
                                           "在单词上按住鼠标右键可以查词。"),
                            this);
    hint->setObjectName(QStringLiteral("startHint"));
    hint->setWordWrap(true);
    hint->setFont(DesignGeometry::chineseFont(10.5));
    hint->setStyleSheet(QStringLiteral("color: #404a58;"));

    m_continue->setObjectName(QStringLiteral("continueButton"));
    m_continue->setFont(DesignGeometry::chineseFont(10.5));
    m_continue->setCursor(Qt::PointingHandCursor);
    m_continue->setStyleSheet(
        QStringLiteral("QPushButton { padding: 6px 16px; color: #1f3f6e; background: #e4effc;"
                       " border: 1px solid #9fb6d6; border-radius: 3px; }"
                       "QPushButton:hover { background: #d4e5fa; }"));
    m_continue->setToolTip(QStringLiteral("Ctrl+L，也在“文件”菜单中"));
    connect(m_continue, &QPushButton::clicked, this, &StartScreen::continueRequested);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(16);
    column->addWidget(hint);
    column->addWidget(m_continue, 0, Qt::AlignLeft);
    column->addStretch();

    lessonText->viewport()->installEventFilter(this);
    setGeometry(lessonText->viewport()->rect());
}

void StartScreen::setLessonOpen(bool open)
{
    refresh();
    setVisible(!open);
}

bool StartScreen::eventFilter(QObject* watched, QEvent* event)
{
    // The viewport, not the pane: the pane hears of a new size before its viewport has it.
    if (watched == m_lessonText->viewport() && event->type() == QEvent::Resize) {
        setGeometry(m_lessonText->viewport()->rect());
    }
    return QWidget::eventFilter(watched, event);
}

void StartScreen::showEvent(QShowEvent* event)
{
    refresh();
    QWidget::showEvent(event);
}

void StartScreen::refresh()
{
    const PracticeSettings::Place place = m_practice.lastPlace();
    // An offer that opens an empty pane is no way back.
    const bool offered = place.isValid() && m_hasContent(place.book, place.lesson);
    m_continue->setVisible(offered);
    if (!offered) {
        return;
    }
    QString text =
        QStringLiteral("继续上次学习：第 %1 册 Lesson %2").arg(place.book).arg(place.lesson);
    if (place.sentence >= 0) {
        text += QStringLiteral("，第 %1 句").arg(place.sentence + 1);
    }
    m_continue->setText(text);
}
